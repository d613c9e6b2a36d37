// TMDIChild's glue of the session road: the connection with the site's
// options, socket -> road -> screen queue with the socket held while the
// screen or the road is behind, the encoding in the status panel, and the
// screen's size told to a server that asked for it.
#include "render/GbkCodec.h"
#include "render/QtTextMeasure.h"
#include "render/ScreenThread.h"
#include "ui/platform/SystemMessage.h"
#include "ui/session/GameConnection.h"
#include "ui/session/GameWindow.h"
#include "ui/session/ScreenPane.h"

#include <algorithm>

#include <QFontMetrics>
#include <QTimer>

namespace session {

void TMDIChild::ConnectionWire::WriteToServer(std::string_view bytes)
{
    window->connection_->WriteLine(std::string(bytes));
}

void TMDIChild::Connect(const session::ConnectSettings &settings, const sites::SiteOptions &options)
{
    session_->SetEncoding(options.encoding);
    session_->SetNegotiation(options.negotiateTelnet);
    TellWindowSize();
    ShowEncoding();
    connection_->Connect(settings);
}

void TMDIChild::ShowEncoding()
{
    if (session_->TakeEncodingChange())
        pane_->ShowEncoding(gbk::ToQString(session_->encodingStatus()));
}

void TMDIChild::ReportUnsent()
{
    const std::string unsent = session_->TakeUnsent();
    if (unsent.empty() || unsentReported_)
        return;
    unsentReported_ = true;
    const std::string_view target = EncodingName(session_->transcoder().sendEncoding());
    pane_->SetStatusText(QStringLiteral("字符“%1”无法用 %2 发送，已以“?”代替")
                             .arg(gbk::ToQString(unsent), gbk::ToQString(target)));
}

void TMDIChild::OnLinkActive(bool active)
{
    linkActive_ = active;
    // Every connection starts its road afresh, and a dropped one never leaves
    // the typing hidden.
    if (session_->NewConnection())
        emit inputHiddenChanged(false);
    ShowEncoding();
}

void TMDIChild::OnGameText(const QByteArray &bytes)
{
    std::string text;
    const bool hiddenChanged = session_->Receive(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), text);
    TakeReceived(hiddenChanged, std::move(text));
}

void TMDIChild::ContinueReceive()
{
    std::string text;
    const bool hiddenChanged = session_->ContinueReceive(text);
    TakeReceived(hiddenChanged, std::move(text));
}

void TMDIChild::TakeReceived(bool hiddenChanged, std::string text)
{
    if (hiddenChanged)
        emit inputHiddenChanged(inputHidden());
    ShowEncoding();
    if (session_->compressionBroken()) {
        // Garbage is never shown: the connection ends with the reason.
        connection_->Close();
        platform::ShowSystemMessage(this, QStringLiteral("压缩数据出错，连接已关闭"),
                                    platform::MessageIcon::Error);
        return;
    }
    // While the screen is behind, the socket waits: TCP slows the server
    // instead of the queue growing. The screen's catching up continues the
    // road's held-back text first.
    const bool hadText = !text.empty();
    const bool behind = hadText && screen_->EnqueueReceived(std::move(text));
    if (hadText)
        pane_->EndDrag();
    if (behind) {
        connection_->PauseReading();
    } else if (session_->receivePending()) {
        // Held-back text with a screen that keeps up: the next piece after
        // the events already waiting, painting among them.
        connection_->PauseReading();
        QMetaObject::invokeMethod(this, &TMDIChild::ContinueReceive, Qt::QueuedConnection);
    } else {
        // The road has given everything: the socket is read again (nothing
        // happens when it was never held).
        connection_->ResumeReading();
    }
}

void TMDIChild::TellWindowSizeSoon()
{
    // A drag resizes many times a second: the server hears the size it ends at.
    if (!sizeTimer_) {
        sizeTimer_ = new QTimer(this);
        sizeTimer_->setSingleShot(true);
        sizeTimer_->setInterval(300);
        connect(sizeTimer_, &QTimer::timeout, this, &TMDIChild::TellWindowSize);
    }
    sizeTimer_->start();
}

void TMDIChild::TellWindowSize()
{
    const screen::ScreenLook look = screen_->Look();
    const QFontMetrics metrics(screen::ScreenFont(look));
    const int charWidth = std::max(1, metrics.horizontalAdvance(QLatin1Char('m')));
    const int viewWidth = std::max(0, width() - pane_->scrollBarWidth());
    const int rows = pane_->viewRows();
    session_->SetWindowSize(static_cast<unsigned>(std::max(1, viewWidth / charWidth)),
                            static_cast<unsigned>(std::max(1, rows)));
}

} // namespace session
