#include "app/windowmodule.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

namespace fs = std::filesystem;

int cannotopen(const std::string& why) {
    std::fprintf(stderr,
                 "vantrel: the explorer window cannot be opened: its module is missing or broken\n"
                 "(%s).\n"
                 "To draw the default view into a file instead: vantrel --render -o OUT.png\n",
                 why.c_str());
    return 1;
}

}  // namespace

int openwindow(int* argc, char** argv, const std::string& vtl) {
    // Found from the running program's own folder, never the working directory:
    // beside it in the build tree, in the library folder of an installed tree.
    std::error_code error;
    const fs::path programdir = fs::read_symlink("/proc/self/exe", error).parent_path();
    if (error) return cannotopen("the program's own path is unknown: " + error.message());
    const fs::path beside = programdir / "vantrel-window.so";
    const fs::path installed =
        (programdir / VANTREL_WINDOW_MODULE_DIR / "vantrel-window.so").lexically_normal();
    const fs::path module = fs::exists(beside) ? beside : installed;
    if (!fs::exists(module))
        return cannotopen("neither " + beside.string() + " nor " + installed.string() + " exists");
    // Every symbol is resolved now, so that a module that does not fit this program
    // is reported here rather than as a crash in the middle of the window.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return cannotopen(dlerror());
    const auto entry = reinterpret_cast<WindowEntry>(dlsym(handle, "vantrel_window"));
    if (!entry) return cannotopen(module.string() + " has no vantrel_window");
    return entry(argc, argv, vtl.c_str());
}

}  // namespace vantrel
