#include "permissionsenforced.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned Overrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

PermissionsEnforced::PermissionsEnforced()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data, false) || (data[0].effective & Overrides) == 0)
        return;
    effective_ = data[0].effective;
    data[0].effective &= ~Overrides;
    dropped_ = capabilities(data, true);
}

PermissionsEnforced::~PermissionsEnforced()
{
    if (!dropped_)
        return;
    __user_cap_data_struct data[2] = {};
    if (capabilities(data, false)) {
        data[0].effective = effective_;
        capabilities(data, true);
    }
}
