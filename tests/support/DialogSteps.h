#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>

class DialogOverlay;

// Plays the user at the page dialogs (web/DialogOverlay) that come up from
// now on. The n-th dialog to appear gets the n-th step, run inside the
// dialog's own wait once it is up (a step may itself make another page ask,
// whose dialog then gets the next step). Dialogs past the last step are
// dismissed with Escape. Each dialog's title, text and offer to stop are
// recorded as it comes.
class DialogSteps : public QObject
{
public:
    using Step = std::function<void(DialogOverlay *dialog)>;

    explicit DialogSteps(QList<Step> steps = {});

    // Dialogs seen so far.
    int count() const { return titles.size(); }
    // Steps that have run to their end.
    int ended() const { return stepsEnded; }
    // Every step has.
    bool done() const { return stepsEnded >= steps.size(); }

    QStringList titles;
    QStringList texts;
    QList<bool> stopOffered;

    // Steps' parts. A real click on the dialog's button or box by object
    // name (dialogAccept, dialogReject, dialogStop).
    static void click(DialogOverlay *dialog, const char *name);
    // A key pressed where the keys go now; false when focus is not in the
    // dialog.
    static bool key(DialogOverlay *dialog, Qt::Key key);

private:
    void look();
    void play(DialogOverlay *dialog, int index);

    QList<Step> steps;
    QList<QPointer<DialogOverlay>> seen;
    QTimer poll;
    int stepsEnded = 0;
};
