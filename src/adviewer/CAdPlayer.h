#pragma once
// CAdPlayer: the advertisement panel. Shows an animated image (GIF, WebP and
// the other formats Qt's image readers animate) or a still picture, from a
// file or downloaded from a URL, decoded from memory. It plays the animation
// once and never loops, has no context menu, and tells whether it is still
// playing: while the download runs, while frames remain, and for a still
// picture during the still time given.

#include <QBuffer>
#include <QByteArray>
#include <QFutureWatcher>
#include <QImage>
#include <QImageReader>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "platform/net/Internet.h"

namespace tessarin::adviewer {

class CAdPlayer final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 135;

    // maxBytes caps both a download and a file read.
    CAdPlayer(std::chrono::milliseconds stillTime, std::size_t maxBytes, QWidget* parent = nullptr);
    ~CAdPlayer() override;
    Q_DISABLE_COPY(CAdPlayer)

    // Plays the picture file at path.
    void SetMovie(const QString& path);
    // Downloads url and plays it.
    void LoadMovie(const std::string& url);
    bool Playing() const { return m_loading || m_playing; }

    // What is shown now and how many frames were shown so far.
    const QImage& CurrentFrame() const { return m_frame; }
    int FramesShown() const { return m_framesShown; }

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Play(QByteArray bytes);
    void ShowNextFrame();
    void Stop();
    void CancelDownload();

    std::chrono::milliseconds m_stillTime;
    std::size_t m_maxBytes;
    QByteArray m_data;
    QBuffer m_buffer;
    std::unique_ptr<QImageReader> m_reader;
    QTimer m_frameTimer;
    QImage m_frame;
    int m_framesShown = 0;
    unsigned m_showing = 0;  // counts the pictures played, so a late still timer is ignored
    bool m_playing = false;
    bool m_loading = false;
    std::shared_ptr<std::atomic<bool>> m_abort;
    QFutureWatcher<HttpGetResult> m_download;
};

}  // namespace tessarin::adviewer
