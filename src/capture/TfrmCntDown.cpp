#include "capture/TfrmCntDown.h"

#include "capture/CountdownPlacement.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QWindow>

namespace vistrel {

namespace {

constexpr auto NoUserInput = QEventLoop::ExcludeUserInputEvents;
// A window manager takes a moment to take the frame down after the unmap.
constexpr int OffScreenLimitMs = 1000;

// The real clock: `timCnt`, started shortly after the window shows.
class TimerClock : public CountdownClock {
public:
    TimerClock()
    {
        m_timCnt.setObjectName(QStringLiteral("timCnt"));
        m_timCnt.setInterval(TickMilliseconds);
        m_timCnt.setTimerType(Qt::PreciseTimer);
        m_delay.setSingleShot(true);
        m_delay.setInterval(10);
        QObject::connect(&m_delay, &QTimer::timeout, &m_timCnt, [this] { m_timCnt.start(); });
    }
    void start(std::function<void()> onTick) override
    {
        QObject::disconnect(m_tick);
        m_tick = QObject::connect(&m_timCnt, &QTimer::timeout, std::move(onTick));
        m_delay.start();
    }
    void stop() override
    {
        m_delay.stop();
        m_timCnt.stop();
    }

private:
    QTimer m_timCnt;
    QTimer m_delay;
    QMetaObject::Connection m_tick;
};

QLabel* digitLabel(const QString& name, const QString& colour, int pixelSize, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TfrmCntDown::TfrmCntDown(std::unique_ptr<CountdownClock> clock)
    // The close button is the mouse's way to call the capture off; the window still never
    // takes the focus from the window an active-window capture is to take.
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus)
    , m_clock(clock ? std::move(clock) : std::make_unique<TimerClock>())
{
    setObjectName(QStringLiteral("frmCntDown"));
    setWindowTitle(QStringLiteral("キャプチャ開始まであと..."));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    buildLabels();
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    AppDeactivate();
            });
}

TfrmCntDown::~TfrmCntDown() = default;

void TfrmCntDown::buildLabels()
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 0, 6, 0);
    row->setSpacing(2);
    m_lblSec = digitLabel(QStringLiteral("lblSec"), QStringLiteral("blue"), 24, this);
    m_lblMSec = digitLabel(QStringLiteral("lblMSec"), QStringLiteral("#e0c000"), 20, this);
    row->addWidget(m_lblSec, 1);
    row->addWidget(boldLabel(QStringLiteral("秒"), this));
    row->addWidget(m_lblMSec);
    row->addWidget(boldLabel(QStringLiteral("です"), this));
}

void TfrmCntDown::start(int milliseconds, int position)
{
    m_clock->stop();
    m_countdown.start(milliseconds);
    m_position = position;
    m_counting = true;
    showDigits();
    place();
    const bool wasShown = isVisible();
    show();
    place(); // the frame may be known now that the window is shown
    raise();
    if (wasShown) // no show event to start the clock
        m_clock->start([this] { timCntTimer(); });
}

void TfrmCntDown::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The window never becomes active, so it starts counting when it shows.
    if (m_counting)
        m_clock->start([this] { timCntTimer(); });
}

void TfrmCntDown::timCntTimer()
{
    if (!m_counting)
        return;
    if (!m_countdown.tick()) {
        finish();
        return;
    }
    showDigits();
    // The frame is known only once the window manager has framed the window.
    place();
}

void TfrmCntDown::showDigits()
{
    m_lblSec->setText(m_countdown.secondsText());
    m_lblMSec->setText(m_countdown.tenthsText());
}

void TfrmCntDown::place()
{
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const int clientHeight = std::max(1, WindowHeight - frame.top() - frame.bottom());
    setFixedSize(ClientWidth, clientHeight);
    const QSize outer(ClientWidth + frame.left() + frame.right(), WindowHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(QPoint(), outer);
    const QPoint target = area.topLeft() + CountdownPlacement(m_position, area.size(), outer);
    if (pos() != target)
        move(target);
}

void TfrmCntDown::finish()
{
    m_counting = false;
    m_clock->stop();
    Q_EMIT finished();
}

void TfrmCntDown::cancel()
{
    m_counting = false;
    m_clock->stop();
    Q_EMIT cancelled();
    Q_EMIT finished();
}

void TfrmCntDown::closeEvent(QCloseEvent* event)
{
    // Closing calls the capture off; the window itself only hides once the countdown ends.
    event->ignore();
    if (m_counting)
        cancel();
}

void TfrmCntDown::AppDeactivate()
{
    if (m_counting)
        raise();
}

void TfrmCntDown::hideFromScreen()
{
    hide();
    QCoreApplication::processEvents(NoUserInput);
    // A round trip: the server has unmapped the window once this returns.
    QGuiApplication::sync();
    if (!m_offScreen)
        return;
    QElapsedTimer waited;
    waited.start();
    while (!m_offScreen() && waited.elapsed() < OffScreenLimitMs) {
        QCoreApplication::processEvents(NoUserInput);
        QThread::msleep(5);
    }
}

bool RunCountdown(TfrmCntDown& window, int milliseconds, bool show, int position)
{
    QEventLoop loop;
    bool cancelled = false;
    QObject::connect(&window, &TfrmCntDown::finished, &loop, &QEventLoop::quit);
    QObject::connect(&window, &TfrmCntDown::cancelled, &loop, [&cancelled] { cancelled = true; });
    if (!show) {
        // Waiting in an event loop keeps the screen repainting meanwhile; the tray icon,
        // the program's only window on the screen now, takes the clicks that cancel.
        if (milliseconds > 0) {
            QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return !cancelled;
    }
    window.start(milliseconds, position);
    // The window manager's close request counts as user input to Qt: the countdown window,
    // the only window of the program on the screen now, takes it as the cancel it is.
    if (window.counting())
        loop.exec();
    window.hideFromScreen();
    return !cancelled;
}

} // namespace vistrel
