// Prints whether this machine has a network, as the program decides it, for tests that run
// it in another network namespace.
#include "platform/network.h"

#include <cstdio>

int main()
{
    std::puts(platform::InterfaceNetworkPresence().hasNetwork() ? "network" : "no network");
    return 0;
}
