#pragma once

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace kerfolio::testing {

// Root passes every permission check, so tests of what a read-only folder or file refuses act as the
// unprivileged user "nobody" while this lives; a test run by an ordinary user is that user already.
class AsUnprivilegedUser {
  public:
    AsUnprivilegedUser() {
        if (::geteuid() != 0) return;
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) return;
        switched_ = ::setegid(nobody->pw_gid) == 0 && ::seteuid(nobody->pw_uid) == 0;
    }
    ~AsUnprivilegedUser() {
        if (!switched_) return;
        // Back to root: both calls succeed, since the saved user id stays root.
        [[maybe_unused]] const int user = ::seteuid(0);
        [[maybe_unused]] const int group = ::setegid(0);
    }
    AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
    AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

    // False when root could not become "nobody": then the test proves nothing.
    bool Unprivileged() const { return ::geteuid() != 0; }

  private:
    bool switched_ = false;
};

}  // namespace kerfolio::testing
