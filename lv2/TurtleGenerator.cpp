// orke-lv2-turtle MODULE: writes the description (manifest.ttl and NAME.ttl) of the LV2 bundle that MODULE,
// an Orke plug-in's LV2 module, lies in, by loading the module and asking it. The build runs it after
// linking.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(
            argc == 2 ? stdout : stderr,
            "usage: orke-lv2-turtle MODULE\n"
            "Writes manifest.ttl and the plug-in's .ttl beside MODULE, an Orke plug-in's LV2 module.\n");
        return argc == 2 ? 0 : 2;
    }
    const std::string module = argv[1];
    // A path with a slash, so that the loader does not look for it on the library path.
    const std::string path = module.find('/') == std::string::npos ? "./" + module : module;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "orke-lv2-turtle: %s\n", dlerror());
        return 1;
    }
    using Writer = int (*)(const char*, const char*);
    auto write = reinterpret_cast<Writer>(dlsym(handle, "orke_lv2_write_bundle"));
    if (write == nullptr) {
        std::fprintf(stderr, "orke-lv2-turtle: %s is not an Orke plug-in's LV2 module\n", module.c_str());
        dlclose(handle);
        return 1;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = path.substr(0, slash);
    const std::string binary = path.substr(slash + 1);
    const int status = write(folder.c_str(), binary.c_str());
    dlclose(handle);
    return status == 0 ? 0 : 1;
}
