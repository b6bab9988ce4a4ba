#pragma once

// Whether the machine has a network: an address that is up other than loopback.
namespace platform {

class NetworkPresence
{
public:
    virtual ~NetworkPresence() = default;
    virtual bool hasNetwork() const = 0;
};

NetworkPresence& networkPresence();
void setNetworkPresence(NetworkPresence* presence);

class InterfaceNetworkPresence final : public NetworkPresence
{
public:
    bool hasNetwork() const override;
};

class FixedNetworkPresence final : public NetworkPresence
{
public:
    explicit FixedNetworkPresence(bool online) : online_(online) { setNetworkPresence(this); }
    ~FixedNetworkPresence() override { setNetworkPresence(nullptr); }
    bool hasNetwork() const override { return online_; }

private:
    bool online_;
};

} // namespace platform
