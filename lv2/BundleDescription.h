// The LV2 bundle's description, written from a plug-in made on the build machine: manifest.ttl, naming the
// plug-in, its binary and its presets, and <NAME>.ttl with the plug-in's ports and its programs as presets.
#pragma once

#include <string>

namespace orke::lv2 {

class HostedEffect;

// The plug-in's URI: the description's URI base (or "urn:orke:") and its unique ID, as its four characters
// where they are letters and digits, else as eight hexadecimal digits.
std::string PluginUri(const HostedEffect& effect);

// [main thread] Writes both files into `folder` for the module file `binary` (a name inside that folder);
// false with a one-line reason in `error` when the plug-in cannot be made or a file cannot be written.
bool WriteBundle(const std::string& folder, const std::string& binary, std::string& error);

} // namespace orke::lv2
