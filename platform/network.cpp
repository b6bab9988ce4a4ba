#include "network.h"

#include <QNetworkInterface>

namespace platform {

namespace {
InterfaceNetworkPresence interfaces;
NetworkPresence* current = nullptr;
} // namespace

NetworkPresence& networkPresence()
{
    return current ? *current : interfaces;
}

void setNetworkPresence(NetworkPresence* presence)
{
    current = presence;
}

bool InterfaceNetworkPresence::hasNetwork() const
{
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : all) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (!entry.ip().isLoopback() && !entry.ip().isNull())
                return true;
        }
    }
    return false;
}

} // namespace platform
