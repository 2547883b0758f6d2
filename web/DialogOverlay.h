#pragma once

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

// A page's question or message, drawn over the page's own view and nowhere
// else: the taskbar, the home screen and the other apps stay within reach.
// While it is up the view beneath gets no input; focus that reaches the view
// passes to the dialog. It names the site that asks; every text is plain text
// and a long one scrolls. It knows nothing of pages or engines: PageDialogs
// decides when one is shown and what its answer means.
class DialogOverlay : public QWidget
{
    Q_OBJECT

public:
    enum class Kind {
        Alert,   // a message and OK
        Confirm, // OK or Cancel
        Prompt,  // a line of text, OK or Cancel
        Leave,   // the page asks before it is left: Leave or Stay
    };

    // Covers view, which owns it. site names who asks (empty: "This page");
    // value is a prompt's first text; offerStop adds the choice to stop the
    // page's dialogs.
    DialogOverlay(QWidget *view, Kind kind, const QString &site, const QString &text,
                  const QString &value, bool offerStop);
    ~DialogOverlay() override;

    QString title() const;
    QString text() const;
    bool offersStop() const;

    // The answer once finished: accepted (OK, Leave), the prompt's text, and
    // whether the page's dialogs are to stop.
    bool isFinished() const { return done; }
    bool accepted() const { return yes; }
    QString value() const;
    bool stopChosen() const;

    // Ends the dialog with answer (the first answer counts): it hides and
    // says finished.
    void finish(bool accept);

signals:
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void placePanel();
    void takeFocus();

    QPointer<QWidget> view;
    QFrame *panel;
    QLabel *heading;
    QTextEdit *message;
    QLineEdit *field = nullptr;
    QCheckBox *stop = nullptr;
    QPushButton *acceptButton;
    QPushButton *rejectButton = nullptr;
    bool done = false;
    bool yes = false;
};
