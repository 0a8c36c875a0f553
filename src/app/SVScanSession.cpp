#include "app/SVScanSession.h"

#include "app/SVAlert.h"
#include "model/SVActiveScanEngine.h"
#include "platform/wlan/CWInterface.h"

#include <QTimer>

SVScanSession::SVScanSession(std::shared_ptr<sv::Clock> clock, int mergeIntervalMs, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)), m_mergeIntervalMs(mergeIntervalMs)
{
}

SVScanSession::~SVScanSession()
{
    endEngine();
}

void SVScanSession::start(const std::shared_ptr<CWInterface>& radio)
{
    // Never two scan loops: the engine held goes first.
    stop();
    if (!radio)
        return;
    m_engine = std::make_unique<SVActiveScanEngine>(radio, std::nullopt, m_clock);
    m_state = State::Starting;
}

void SVScanSession::runEngine()
{
    if (m_engine)
        m_engine->runEngine();
}

void SVScanSession::restartEngine(const std::shared_ptr<CWInterface>& radio)
{
    if (!isScanning() || !radio)
        return;
    endEngine();
    m_engine = std::make_unique<SVActiveScanEngine>(radio, std::nullopt, m_clock);
    m_engine->runEngine();
}

void SVScanSession::stop()
{
    ++m_runIdentity;
    delete m_timer;
    m_timer = nullptr;
    endEngine();
    m_state = State::Stopped;
}

void SVScanSession::startMergingAfterFirstPass()
{
    if (m_state != State::Starting)
        return;
    m_state = State::Scanning;
    m_timer = new QTimer(this);
    m_timer->setInterval(m_mergeIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &SVScanSession::mergeDue);
    m_timer->start();
}

void SVScanSession::endEngine()
{
    if (!m_engine)
        return;
    m_engine->stopEngine();
    m_engine.reset(); // joins the engine's thread
}
