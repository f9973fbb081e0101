#pragma once

#include <QString>

#include <sys/socket.h>

// The text of a socket address and its port: dotted decimal for IPv4, also when an IPv4 client
// came in on an IPv6 socket, and the textual IPv6 form otherwise.
QString SocketAddressText(const sockaddr_storage& address, quint16& port);
