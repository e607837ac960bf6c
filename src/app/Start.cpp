#include "Start.h"

#include "Emblem.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString GreetingText =
    u"Формирование сведений о платежах, начисленных за жилищно-коммунальные и прочие услуги "_s;
}

TStart_Form::TStart_Form(int tickMs, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog)
    , m_timer(new QTimer(this))
{
    setObjectName(u"Start_Form"_s);
    setWindowTitle(u"Приветствие"_s);
    setModal(true);
    setFixedSize(560, 260);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_timer->setObjectName(u"Timer1"_s);
    m_timer->setInterval(tickMs);
    connect(m_timer, &QTimer::timeout, this, &TStart_Form::Timer1Timer);
    m_timer->start();
}

void TStart_Form::Timer1Timer()
{
    if (m_ticks >= 2) {
        m_timer->stop();
        QCoreApplication::processEvents();
        accept();
        return;
    }
    ++m_ticks;
}

void TStart_Form::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(232, 240, 250));
    background.setColorAt(1, QColor(196, 214, 236));
    p.fillRect(rect(), background);
    p.setPen(QPen(QColor(70, 100, 140), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));

    p.drawPixmap(24, (height() - 150) / 2, orbelonEmblem(150));

    QFont font = p.font();
    font.setPointSize(15);
    font.setBold(true);
    p.setFont(font);
    const QRect textRect(196, 20, width() - 216, height() - 40);
    const int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap;
    // Drawn twice, offset, so that the first copy reads as a shadow.
    p.setPen(QColor(150, 160, 175));
    p.drawText(textRect.translated(2, 2), flags, GreetingText);
    p.setPen(QColor(20, 45, 90));
    p.drawText(textRect, flags, GreetingText);
}
