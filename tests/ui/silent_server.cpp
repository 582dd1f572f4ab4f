#include "silent_server.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fixture {

SilentServer::SilentServer(int hangUpAfterMs) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the silent server could not listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, hangUpAfterMs] { Serve(hangUpAfterMs); });
}

SilentServer::~SilentServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void SilentServer::Serve(int hangUpAfterMs) {
    std::vector<std::pair<int, QElapsedTimer>> accepted;
    while (!stop_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 20) > 0) {
            const int socket = ::accept(listener_, nullptr, nullptr);
            if (socket >= 0) {
                accepted.emplace_back(socket, QElapsedTimer());
                accepted.back().second.start();
            }
        }
        for (auto& [socket, age] : accepted)
            if (socket >= 0 && hangUpAfterMs >= 0 && age.elapsed() >= hangUpAfterMs) {
                ::close(socket);
                socket = -1;
            }
    }
    for (const auto& [socket, age] : accepted)
        if (socket >= 0)
            ::close(socket);
}

PortScope::PortScope(quint16 port) : saved_(qgetenv("PGPORT")) {
    qputenv("PGPORT", QByteArray::number(port));
}

PortScope::~PortScope() {
    qputenv("PGPORT", saved_);
}

} // namespace fixture
