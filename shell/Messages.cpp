#include "shell/Messages.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace
{
Messages::Observer &observer()
{
    static Messages::Observer o;
    return o;
}

Messages::Answerer &answerer()
{
    static Messages::Answerer a;
    return a;
}

// Under a test's observer, a box is told of by its text and answered by
// answer on the event loop's next turn, once it is up; without one, the
// user answers.
template <typename Answer> void answerUnderTest(QDialog &box, const QString &text, Answer answer)
{
    if (!observer())
        return;
    observer()(text);
    QTimer::singleShot(0, &box, std::move(answer));
}

// Boxes on screen now, and the loops of messages that wait for them: a box
// that comes while another is up waits until the user has closed it, so the
// boxes come in the order of the events and never cover an earlier one.
int boxesOnScreen = 0;
QList<QEventLoop *> &waitingBoxes()
{
    static QList<QEventLoop *> loops;
    return loops;
}

void waitForEarlierBoxes()
{
    while (boxesOnScreen > 0) {
        QEventLoop loop;
        waitingBoxes().append(&loop);
        loop.exec();
        waitingBoxes().removeOne(&loop);
    }
}

// A box counts as on screen from its construction until the user has
// answered it (it hides then, before its own loop has unwound).
class OnScreen
{
public:
    explicit OnScreen(QDialog &box)
        : closed(QObject::connect(&box, &QDialog::finished, [this] { end(); }))
    {
        ++boxesOnScreen;
    }
    ~OnScreen()
    {
        // The box outlives this: what it does while it goes is not ours.
        QObject::disconnect(closed);
        end();
    }
    OnScreen(const OnScreen &) = delete;
    OnScreen &operator=(const OnScreen &) = delete;

private:
    void end()
    {
        if (ended)
            return;
        ended = true;
        --boxesOnScreen;
        for (QEventLoop *loop : waitingBoxes())
            loop->quit();
    }
    QMetaObject::Connection closed;
    bool ended = false;
};

Messages::TextAnswerer &textAnswerer()
{
    static Messages::TextAnswerer a;
    return a;
}

// The question of a box of our own, as plain text, on top of layout.
QLabel *questionIn(QVBoxLayout *layout, const QString &question)
{
    auto *label = new QLabel(question);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    return label;
}

void setPlainText(QMessageBox &box, const QString &text)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(Messages::shown(text));
}
} // namespace

QString Messages::shown(const QString &text)
{
    // Texts quote names that pages and servers chose; laying out megabytes
    // of them would hold the shell for minutes, and nobody reads that far.
    return shortened(text, maxLength);
}

QString Messages::shortened(const QString &text, int length)
{
    if (text.size() <= length)
        return text;
    int cut = length - 3;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

void Messages::show(const QString &full)
{
    waitForEarlierBoxes();
    QMessageBox box;
    setPlainText(box, full);
    OnScreen onScreen(box);
    answerUnderTest(box, box.text(), [&box] { box.accept(); });
    box.exec();
}

bool Messages::ask(const QString &question, const QString &yesLabel, const QString &noLabel)
{
    waitForEarlierBoxes();
    QMessageBox box;
    setPlainText(box, question);
    OnScreen onScreen(box);
    QPushButton *yes = box.addButton(yesLabel, QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(noLabel, QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    answerUnderTest(box, box.text(), [&box, yes, no] {
        const bool answer = answerer() && answerer()(box.text());
        (answer ? yes : no)->click();
    });
    box.exec();
    return box.clickedButton() == yes;
}

bool Messages::ask(const QString &question, const QStringList &details, const QString &yesLabel,
                   const QString &noLabel)
{
    waitForEarlierBoxes();
    QDialog box;
    OnScreen onScreen(box);
    auto *layout = new QVBoxLayout(&box);
    questionIn(layout, question);
    auto *list = new QPlainTextEdit;
    list->setReadOnly(true);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    list->setPlainText(details.join(QLatin1Char('\n')));
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox;
    QPushButton *yes = buttons->addButton(yesLabel, QDialogButtonBox::AcceptRole);
    QPushButton *no = buttons->addButton(noLabel, QDialogButtonBox::RejectRole);
    // The default answer is no: Return, and the focus once the box is up,
    // are the no button's; a focused yes button takes only a real click or
    // Space.
    yes->setAutoDefault(false);
    no->setDefault(true);
    QTimer::singleShot(0, no, [no] { no->setFocus(); });
    QObject::connect(yes, &QPushButton::clicked, &box, &QDialog::accept);
    QObject::connect(no, &QPushButton::clicked, &box, &QDialog::reject);
    layout->addWidget(buttons);
    box.resize(640, 360);
    const QString all = question + QLatin1Char('\n') + list->toPlainText();
    answerUnderTest(box, all, [&box, all] {
        const bool answer = answerer() && answerer()(all);
        answer ? box.accept() : box.reject();
    });
    return box.exec() == QDialog::Accepted;
}

QString Messages::askText(const QString &question, const QString &text, const QString &okLabel,
                          const QString &cancelLabel)
{
    waitForEarlierBoxes();
    QDialog box;
    OnScreen onScreen(box);
    auto *layout = new QVBoxLayout(&box);
    QLabel *label = questionIn(layout, shown(question));
    auto *field = new QLineEdit(text);
    field->selectAll();
    layout->addWidget(field);
    auto *buttons = new QDialogButtonBox;
    QPushButton *ok = buttons->addButton(okLabel, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelLabel, QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    box.resize(420, box.sizeHint().height());
    answerUnderTest(box, label->text(), [&box, field, question = label->text()] {
        const QString answer = textAnswerer() ? textAnswerer()(question, field->text()) : QString();
        if (answer.isNull())
            return box.reject();
        field->setText(answer);
        box.accept();
    });
    if (box.exec() != QDialog::Accepted)
        return QString();
    // Accepted with an empty field is an answer, not a cancel.
    const QString entered = field->text();
    return entered.isNull() ? QStringLiteral("") : entered;
}

QString Messages::withVisibleBlanks(const QString &text)
{
    QString shown;
    for (const QChar c : text) {
        if (c == QLatin1Char(' '))
            shown += QChar(0x2423); // open box
        else if (c == QLatin1Char('\t'))
            shown += QChar(0x21E5); // rightwards arrow to bar
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            shown += QChar(0x21B5); // downwards arrow with corner leftwards
        else if (c.isSpace() || c.category() == QChar::Other_Format ||
                 c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\u{%1}").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

void Messages::dismissAutomatically(Observer o)
{
    observer() = std::move(o);
}

void Messages::answerAutomatically(Answerer a)
{
    answerer() = std::move(a);
}

void Messages::answerTextAutomatically(TextAnswerer a)
{
    textAnswerer() = std::move(a);
}
