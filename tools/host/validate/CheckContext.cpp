// A check's context: fresh instances of the plug-in, and the lines by which the check reports.
#include "CheckContext.h"

#include "HostCallback.h"

namespace orke::host {

std::unique_ptr<HostedPlugin> CheckContext::OpenModule() {
    SetHostSampleRate(kValidationSampleRate);
    SetHostBlockSize(kValidationMaxBlock);
    std::string error;
    auto library = HostedPlugin::Open(m_path, error);
    if (!library) {
        Fail(error);
    }
    return library;
}

std::unique_ptr<Effect> CheckContext::CreateEffect(const HostedPlugin& library) {
    std::string error;
    auto effect = library.CreateEffect(error);
    if (!effect) {
        Fail(error);
        return nullptr;
    }
    effect->SetSampleRate(kValidationSampleRate);
    effect->SetBlockSize(kValidationMaxBlock);
    return effect;
}

std::unique_ptr<HostedPlugin> CheckContext::Load() {
    auto plugin = OpenModule();
    if (!plugin) {
        return nullptr;
    }
    plugin->effect = CreateEffect(*plugin);
    return plugin->effect ? std::move(plugin) : nullptr;
}

// Every line goes to the parent, which keeps the first few of a kind and counts the rest.
void CheckContext::Send(const char* kind, const std::string& text) {
    m_writer.Line(std::string(kind) + " " + text);
}

void CheckContext::Fail(const std::string& text) {
    ++m_failures;
    Send("fail", text);
}
void CheckContext::Warn(const std::string& text) {
    Problem(kEveryWarningFailsFrom, text);
}
void CheckContext::Problem(int failsFrom, const std::string& text) {
    if (Level() >= failsFrom) {
        Fail(text);
    } else {
        Send("warn", text);
    }
}
void CheckContext::Note(const std::string& text) {
    Send("note", text);
}

void CheckContext::Mark(int step, const std::string& what) {
    m_step = what;
    m_writer.Line("mark " + std::to_string(step) + " " + what);
}

} // namespace orke::host
