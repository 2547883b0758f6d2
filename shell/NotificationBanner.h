#pragma once

#include <QFrame>

class QLabel;
class QTimer;

// The shell's own banner for a page's notification: picture, app, title and
// body as plain text, over whatever page is on top, for a few seconds. A tap
// on it says which notification it showed.
class NotificationBanner : public QFrame
{
    Q_OBJECT

public:
    static constexpr int shownMs = 5000;
    static constexpr int width = 380;

    explicit NotificationBanner(QWidget *parent);

    // Shows note id (replacing what showed) at the top of the parent, in
    // the middle, just below the status bar (clear of the list at the right).
    void present(int id, const QString &app, const QString &title, const QString &body,
                 const QImage &icon);
    int shownId() const { return id; }

signals:
    void tapped(int id);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int id = 0;
    QLabel *picture;
    QLabel *heading;
    QLabel *text;
    QTimer *timer;
};
