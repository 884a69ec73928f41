// Helpers of every Qt test: modal windows answered as they come up, and screenshots.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace qttest {

/// Calls act with the next modal window (other than notThis) once it is up, polling from the
/// event loop that the modal window runs. Returns the timer, so that a test can see whether
/// it fired or stop it.
inline QPointer<QTimer> WhenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, notThis] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == notThis || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start();
    return timer;
}

/// Where the screenshot of that file name goes: the build's screenshot folder.
inline QString ScreenshotPath(const QString& fileName) {
    QDir().mkpath(QStringLiteral(QM_SCREENSHOT_DIR));
    return QStringLiteral(QM_SCREENSHOT_DIR "/") + fileName;
}

/// Saves a picture of the widget as name.png in the screenshot folder; its path.
inline QString Screenshot(QWidget* widget, const QString& name) {
    const QString path = ScreenshotPath(name + QStringLiteral(".png"));
    widget->grab().save(path);
    return path;
}

}  // namespace qttest
