#pragma once

// While alive, the calling thread obeys file permissions even when it runs as root (as the
// tests do in CI), so a test can meet a page it may not read. Root's override of read and
// search permissions is dropped from the thread's effective capabilities and given back at
// the end; for other users nothing changes.
class PermissionsEnforced
{
public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

private:
    unsigned effective_ = 0;
    bool dropped_ = false;
};
