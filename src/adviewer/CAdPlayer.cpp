#include "adviewer/CAdPlayer.h"

#include <QFile>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include "adviewer/AdSource.h"

namespace tessarin::adviewer {
namespace {

// Larger pictures are not decoded.
constexpr int kMaxPixels = 4096 * 4096;
// Frames that ask for almost no time get the delay browsers give them.
constexpr int kShortestDelayMs = 10;
constexpr int kDefaultDelayMs = 100;

}  // namespace

CAdPlayer::CAdPlayer(std::chrono::milliseconds stillTime, std::size_t maxBytes, QWidget* parent)
    : QWidget(parent), m_stillTime(stillTime), m_maxBytes(maxBytes) {
    setFixedSize(kWidth, kHeight);
    setContextMenuPolicy(Qt::PreventContextMenu);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &CAdPlayer::ShowNextFrame);
    connect(&m_download, &QFutureWatcher<HttpGetResult>::finished, this, [this] {
        if (!m_loading) return;
        m_loading = false;
        HttpGetResult result = m_download.result();
        if (result.transferred && result.status == 200 && !result.oversize)
            Play(QByteArray::fromStdString(result.body));
        else
            Stop();
    });
}

CAdPlayer::~CAdPlayer() {
    CancelDownload();
}

void CAdPlayer::CancelDownload() {
    if (m_abort) m_abort->store(true);
    m_download.waitForFinished();
    m_loading = false;
}

void CAdPlayer::SetMovie(const QString& path) {
    CancelDownload();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > static_cast<qint64>(m_maxBytes)) {
        Stop();
        return;
    }
    Play(file.readAll());
}

void CAdPlayer::LoadMovie(const std::string& url) {
    CancelDownload();
    Stop();
    m_abort = std::make_shared<std::atomic<bool>>(false);
    m_loading = true;
    m_download.setFuture(QtConcurrent::run([url, abort = m_abort, maxBytes = m_maxBytes] {
        return HttpGet(url, ViewerInternetOptions(), maxBytes, abort.get());
    }));
}

void CAdPlayer::Play(QByteArray bytes) {
    Stop();
    m_data = std::move(bytes);
    m_buffer.setBuffer(&m_data);
    if (!m_buffer.open(QIODevice::ReadOnly)) return;
    m_reader = std::make_unique<QImageReader>(&m_buffer);
    m_reader->setDecideFormatFromContent(true);
    const QSize size = m_reader->size();
    if (!size.isValid() || static_cast<qint64>(size.width()) * size.height() > kMaxPixels) {
        Stop();
        return;
    }
    m_framesShown = 0;
    ++m_showing;
    m_playing = true;
    ShowNextFrame();
}

void CAdPlayer::ShowNextFrame() {
    if (!m_reader) return;
    const bool first = m_framesShown == 0;
    QImage next = (first || m_reader->canRead()) ? m_reader->read() : QImage();
    if (next.isNull()) {
        // The end of the animation (or nothing readable): the last frame stays.
        m_playing = false;
        return;
    }
    m_frame = std::move(next);
    ++m_framesShown;
    update();
    if (first && !(m_reader->supportsAnimation() && m_reader->imageCount() != 1)) {
        // A still picture.
        QTimer::singleShot(m_stillTime, this, [this, showing = m_showing] {
            if (m_showing == showing) m_playing = false;
        });
        return;
    }
    int delay = m_reader->nextImageDelay();
    if (delay <= kShortestDelayMs) delay = kDefaultDelayMs;
    m_frameTimer.start(delay);
}

void CAdPlayer::Stop() {
    m_frameTimer.stop();
    m_reader.reset();
    m_buffer.close();
    m_playing = false;
}

void CAdPlayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (m_frame.isNull()) return;
    // Shown whole, keeping its proportions, centred.
    QSize shown = m_frame.size().scaled(size(), Qt::KeepAspectRatio);
    if (m_frame.width() <= width() && m_frame.height() <= height()) shown = m_frame.size();
    const QRect target(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_frame);
}

}  // namespace tessarin::adviewer
