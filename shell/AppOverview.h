#pragma once

#include <QImage>
#include <QList>
#include <QPointer>
#include <QWidget>

class ShellHost;

// The taskbar's overview of the open apps, laid over the whole window: a card
// for each page of the stack with a picture of the page and its app's name.
// A tap on a card shows its app; a swipe up or its close control closes it
// as its tab's close does; Escape or a tap beside the cards leaves it, with
// what was in front before. The arrows (or Tab) pick a card, Return shows it,
// Delete closes it. Everything goes through the home page's own functions,
// so tabs and pages stay in step.
class AppOverview : public QWidget
{
    Q_OBJECT

public:
    // Shows the overview over host's window, made on the first call; when it
    // is up already, the next card is picked.
    static void open(ShellHost &host);
    // The overview of host's window if one was made.
    static AppOverview *of(const ShellHost &host);

    int cardCount() const { return cards.size(); }
    int pickedCard() const { return picked; }
    QString nameOf(int card) const;
    QImage pictureOf(int card) const;
    QRect cardArea(int card) const;
    QRect closeControl(int card) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    explicit AppOverview(ShellHost &host);
    struct Card {
        QPointer<QWidget> page;
        QString name;
        QImage picture;
    };
    // Takes the cards from the stack as it is now.
    void refresh();
    int cardAt(const QPoint &point) const;
    void show(int card);
    void close(int card);
    void leave();

    ShellHost &shell;
    QList<Card> cards;
    int picked = 0;
    // What was in front when the overview opened: the home screen, or a page.
    bool homeWasInFront = true;
    QPointer<QWidget> pageBefore;
    // A press on a card: where, and how far the card has been pushed up.
    int pressed = -1;
    QPoint pressedAt;
    int lifted = 0;
};
