// The C++ runtime is linked into the module, and sets aside 73 KB of the
// process's heap at every load for exceptions thrown when memory runs out.
// It never frees it by itself (it expects to live as long as the process),
// so a host that loads the module again and again would lose that much each
// time. libstdc++ provides __freeres for leak checkers to free it; the module
// calls it as it is unloaded, after every object that could throw is gone.

namespace __gnu_cxx {
void __freeres(); // libstdc++'s, not in any header
} // namespace __gnu_cxx

namespace {

struct RuntimeRelease {
    RuntimeRelease() = default;
    RuntimeRelease(const RuntimeRelease&) = delete;
    RuntimeRelease& operator=(const RuntimeRelease&) = delete;
    ~RuntimeRelease() { __gnu_cxx::__freeres(); }
};

// Constructed before the module's other statics and so destroyed after them.
[[gnu::init_priority(101)]] RuntimeRelease release;

} // namespace
