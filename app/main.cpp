// Quorvel start-up: one game window on the first site of the start folder's
// site list, until the main frame takes over.
#include "session/ChildWin.h"
#include "session/SessionCodes.h"
#include "sites/SiteFile.h"

#include <filesystem>

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));

    QWidget frame;
    frame.setWindowTitle(QStringLiteral("Quorvel"));
    auto *layout = new QVBoxLayout(&frame);
    layout->setContentsMargins(0, 0, 0, 0);
    SessionDialogs dialogs;
    auto *window = new TMDIChild(&frame, "", &dialogs);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    auto *input = new QLineEdit(&frame);
    layout->addWidget(window, 1);
    layout->addWidget(input);
    window->inputLine = input;
    QObject::connect(input, &QLineEdit::returnPressed, window,
                     [window] { window->SessionCommand(session::kSendTypedLine); });

    sites::SiteList sites = sites::ReadSiteFile(std::filesystem::current_path());
    if (sites.size() > 0) {
        window->setWindowTitle(QString::fromLocal8Bit(sites.siteNames[0].c_str()));
        window->Connect(sites.siteAddresses[0], std::atoi(sites.sitePorts[0].c_str()),
                        sites.proxy.useProxy, sites.proxy.address,
                        std::atoi(sites.proxy.port.c_str()), sites.proxy.auth, sites.proxy.user,
                        sites.proxy.password);
    }
    frame.resize(900, 600);
    frame.show();
    input->setFocus();
    return app.exec();
}
