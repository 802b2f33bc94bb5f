#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, this thread meets file permissions as an ordinary user does, root included: the capabilities
// that let root read any file are off. The window reads on this thread.
class PermissionsHold {
public:
    PermissionsHold() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, lowered);
    }
    ~PermissionsHold() { ::syscall(SYS_capset, &header_, saved_); }
    PermissionsHold(const PermissionsHold&) = delete;
    PermissionsHold& operator=(const PermissionsHold&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};
