#include "net/HttpSocketAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

QString SocketAddressText(const sockaddr_storage& address, quint16& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& ipv4 = reinterpret_cast<const sockaddr_in&>(address);
        port = ntohs(ipv4.sin_port);
        inet_ntop(AF_INET, &ipv4.sin_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET6) {
        const auto& ipv6 = reinterpret_cast<const sockaddr_in6&>(address);
        port = ntohs(ipv6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&ipv6.sin6_addr)) {
            inet_ntop(AF_INET, &ipv6.sin6_addr.s6_addr[12], text, sizeof text);
        } else {
            inet_ntop(AF_INET6, &ipv6.sin6_addr, text, sizeof text);
        }
    }
    return QString::fromLatin1(text);
}
