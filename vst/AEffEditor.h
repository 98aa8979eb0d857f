// The editor interface, as far as the dispatchers reach it. No editor ships with this shell; a plug-in that
// has one derives from AEffEditor and hands it to AudioEffect::setEditor, which takes ownership.
#pragma once

#include <cstdint>

class AudioEffect;

// The rectangle an editor reports for its window, in pixels.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// Built by the dispatcher for the key requests: a character, a virtual key code and the modifier bits.
struct VstKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8);

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect = nullptr)
        : m_effect(effect) {}
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return m_effect; }
    // Stores the address of the editor's rectangle in *rect; true when it did.
    virtual bool getRect(ERect** rect) {
        (void)rect;
        return false;
    }
    // Opens the editor inside the host's parent window; true when it did.
    virtual bool open(void* parentWindow) {
        (void)parentWindow;
        return false;
    }
    virtual void close() {}
    virtual bool isOpen() { return false; }
    virtual void idle() {}

    // Reached only in the PowerPC build, through deprecated requests.
    virtual void draw(void* rect) { (void)rect; }
    virtual int32_t mouse(int32_t x, int32_t y) {
        (void)x;
        (void)y;
        return 0;
    }
    virtual int32_t key(int32_t keyCode) {
        (void)keyCode;
        return 0;
    }
    virtual void top() {}
    virtual void sleep() {}

    virtual bool onKeyDown(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    virtual bool onWheel(float distance) {
        (void)distance;
        return false;
    }
    virtual bool setKnobMode(int32_t mode) {
        (void)mode;
        return false;
    }

protected:
    AudioEffect* m_effect;
};
