#include "shell/NotificationBanner.h"

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

namespace
{
QLabel *plainLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    // Page text is never read as rich text.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}
} // namespace

NotificationBanner::NotificationBanner(QWidget *parent)
    : QFrame(parent), picture(new QLabel(this)), heading(plainLabel(this)), text(plainLabel(this)),
      timer(new QTimer(this))
{
    setObjectName(QStringLiteral("notificationBanner"));
    setStyleSheet(QStringLiteral(
        "#notificationBanner { background: rgba(30, 30, 30, 235); border-radius: 10px; }"
        "QLabel { color: white; background: transparent; }"));
    setCursor(Qt::PointingHandCursor);
    picture->setFixedSize(40, 40);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setVerticalSpacing(2);
    layout->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(heading, 0, 1);
    layout->addWidget(text, 1, 1, Qt::AlignTop);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void NotificationBanner::present(int noteId, const QString &app, const QString &title,
                                 const QString &body, const QImage &icon)
{
    id = noteId;
    picture->setPixmap(icon.isNull() ? QPixmap()
                                     : QPixmap::fromImage(icon.scaled(40, 40, Qt::KeepAspectRatio,
                                                                      Qt::SmoothTransformation)));
    picture->setVisible(!icon.isNull());
    heading->setText(app.isEmpty() ? title : app + QStringLiteral(": ") + title);
    text->setText(body);
    text->setVisible(!body.isEmpty());
    // As tall as the wrapped texts at this width, no taller.
    setFixedWidth(width);
    setFixedHeight(layout()->heightForWidth(width));
    if (QWidget *area = parentWidget())
        move((area->width() - width) / 2, 28);
    show();
    raise();
    timer->start(shownMs);
}

void NotificationBanner::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->pos()))
        return;
    hide();
    timer->stop();
    emit tapped(id);
}
