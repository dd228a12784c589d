#include "import/decoder_sandbox.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/prctl.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace rotopal {
namespace {

struct FilterDeleter {
    void operator()(void* filter) const { seccomp_release(filter); }
};

// Calls a decoder never needs: nothing it reads may make it write, connect, run or trace.
constexpr std::array kRefused{
    SCMP_SYS(creat),      SCMP_SYS(openat2),     SCMP_SYS(truncate),    SCMP_SYS(rename),
    SCMP_SYS(renameat),   SCMP_SYS(renameat2),   SCMP_SYS(unlink),      SCMP_SYS(unlinkat),
    SCMP_SYS(mkdir),      SCMP_SYS(mkdirat),     SCMP_SYS(rmdir),       SCMP_SYS(link),
    SCMP_SYS(linkat),     SCMP_SYS(symlink),     SCMP_SYS(symlinkat),   SCMP_SYS(chmod),
    SCMP_SYS(fchmod),     SCMP_SYS(fchmodat),    SCMP_SYS(chown),       SCMP_SYS(fchown),
    SCMP_SYS(fchownat),   SCMP_SYS(lchown),      SCMP_SYS(mknod),       SCMP_SYS(mknodat),
    SCMP_SYS(utimensat),  SCMP_SYS(socket),      SCMP_SYS(socketpair),  SCMP_SYS(connect),
    SCMP_SYS(bind),       SCMP_SYS(listen),      SCMP_SYS(accept),      SCMP_SYS(accept4),
    SCMP_SYS(execve),     SCMP_SYS(execveat),    SCMP_SYS(ptrace),      SCMP_SYS(process_vm_readv),
    SCMP_SYS(process_vm_writev), SCMP_SYS(mount), SCMP_SYS(umount2),    SCMP_SYS(chroot),
    SCMP_SYS(pivot_root), SCMP_SYS(setuid),      SCMP_SYS(setgid),      SCMP_SYS(kexec_load),
    SCMP_SYS(init_module), SCMP_SYS(finit_module), SCMP_SYS(reboot),
};

}  // namespace

Result<void, std::string> EnterSandbox() {
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return Failure{std::string("no_new_privs: ") + std::strerror(errno)};
    }
    const std::unique_ptr<void, FilterDeleter> filter(seccomp_init(SCMP_ACT_ALLOW));
    if (!filter) {
        return Failure{std::string("the seccomp filter cannot be made")};
    }
    const auto refuse = [&](int call, unsigned count, const scmp_arg_cmp* compare) {
        return seccomp_rule_add_array(filter.get(), SCMP_ACT_ERRNO(EPERM), call, count, compare) == 0;
    };
    bool made = true;
    for (const int call : kRefused) {
        made = made && refuse(call, 0, nullptr);
    }
    // open and openat only to read: not for writing, not creating, not truncating. The flags are
    // open's second argument and openat's third.
    for (const auto& [call, flags] : {std::pair{SCMP_SYS(open), 1u}, std::pair{SCMP_SYS(openat), 2u}}) {
        const std::array writes{
            scmp_arg_cmp{flags, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_WRONLY},
            scmp_arg_cmp{flags, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_RDWR},
            scmp_arg_cmp{flags, SCMP_CMP_MASKED_EQ, O_CREAT, O_CREAT},
            scmp_arg_cmp{flags, SCMP_CMP_MASKED_EQ, O_TRUNC, O_TRUNC},
            scmp_arg_cmp{flags, SCMP_CMP_MASKED_EQ, O_TMPFILE & ~O_DIRECTORY, O_TMPFILE & ~O_DIRECTORY},
        };
        for (const scmp_arg_cmp& write : writes) {
            made = made && refuse(call, 1, &write);
        }
    }
    if (!made) {
        return Failure{std::string("the seccomp filter's rules cannot be added")};
    }
    if (const int loaded = seccomp_load(filter.get()); loaded != 0) {
        return Failure{std::string("the seccomp filter cannot be loaded: ") + std::strerror(-loaded)};
    }
    return {};
}

}  // namespace rotopal
