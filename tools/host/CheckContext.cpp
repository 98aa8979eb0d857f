#include "CheckContext.h"

#include "HostCallback.h"

namespace orke::host {
namespace {

// Enough to show what is wrong; a plug-in that fails everything would otherwise flood the report.
constexpr int kMaxLinesOfAKind = 20;

} // namespace

std::unique_ptr<PluginLibrary> CheckContext::OpenLibrary() {
    SetHostSampleRate(kValidationSampleRate);
    SetHostBlockSize(kValidationMaxBlock);
    std::string error;
    auto library = PluginLibrary::Open(m_path, error);
    if (!library) {
        Fail(error);
    }
    return library;
}

std::unique_ptr<Effect> CheckContext::CreateEffect(const PluginLibrary& library) {
    std::string error;
    AEffect* record = library.CreateEffect(error);
    if (record == nullptr) {
        Fail(error);
        return nullptr;
    }
    auto effect = std::make_unique<Effect>(record);
    effect->Open();
    effect->SetSampleRate(kValidationSampleRate);
    effect->SetBlockSize(kValidationMaxBlock);
    return effect;
}

std::unique_ptr<HostedPlugin> CheckContext::Load() {
    auto plugin = std::make_unique<HostedPlugin>();
    plugin->library = OpenLibrary();
    if (!plugin->library) {
        return nullptr;
    }
    plugin->effect = CreateEffect(*plugin->library);
    return plugin->effect ? std::move(plugin) : nullptr;
}

void CheckContext::Send(const char* kind, const std::string& text, int& count) {
    if (++count <= kMaxLinesOfAKind) {
        m_writer.Line(std::string(kind) + " " + text);
    }
}

void CheckContext::Fail(const std::string& text) {
    Send("fail", text, m_failures);
}
void CheckContext::Warn(const std::string& text) {
    Send("warn", text, m_warnings);
}
void CheckContext::Note(const std::string& text) {
    Send("note", text, m_notes);
}

void CheckContext::Mark(int step, const std::string& what) {
    m_writer.Line("mark " + std::to_string(step) + " " + what);
}

} // namespace orke::host
