// The editor interface, as far as the dispatchers reach it. No editor ships with this shell; a plug-in that
// has one derives from AEffEditor and hands it to AudioEffect::setEditor, which takes ownership.
#pragma once

#include "VstRecords.h"

#include <cstdint>

class AudioEffect;

// Built by the dispatcher for the key requests: a character, a virtual key code and the modifier bits.
struct VstKeyCode {
    int32_t character;
    uint8_t virt;
    uint8_t modifier;
};
static_assert(sizeof(VstKeyCode) == 8);

class AEffEditor {
public:
    // [main thread] Made by the plug-in, usually in its constructor, and handed to setEditor.
    explicit AEffEditor(AudioEffect* effect = nullptr)
        : m_effect(effect) {}
    // [main thread] By the effect's destructor, after close.
    virtual ~AEffEditor() = default;

    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    // Every operation below is called on the [main thread] (thread tags as in AudioEffectBase.h), and only
    // while the effect has this editor.
    // [not called] by the shell: the effect the editor belongs to.
    virtual AudioEffect* getEffect() { return m_effect; }
    // effEditGetRect, before open and whenever the host sizes its window: stores the address of the
    // editor's rectangle in *rect; true when it did.
    virtual bool getRect(ERect** rect) {
        (void)rect;
        return false;
    }
    // effEditOpen: opens the editor inside the host's parent window; true when it did.
    virtual bool open(void* parentWindow) {
        (void)parentWindow;
        return false;
    }
    // effEditClose: the host closes its window.
    virtual void close() {}
    // [not called] by the shell: whether the editor is open.
    virtual bool isOpen() { return false; }
    // effEditIdle: regularly while open, for the editor to redraw.
    virtual void idle() {}

    // Reached only in the PowerPC build, through deprecated requests: effEditDraw, effEditMouse, effEditKey,
    // effEditTop and effEditSleep.
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

    // effEditKeyDown, effEditKeyUp: a key the host passes on; true when the editor used it.
    virtual bool onKeyDown(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& keyCode) {
        (void)keyCode;
        return false;
    }
    // [not called] by the shell: a mouse wheel turned over the editor.
    virtual bool onWheel(float distance) {
        (void)distance;
        return false;
    }
    // effSetEditKnobMode: how knobs follow the mouse (circular, linear); true when taken.
    virtual bool setKnobMode(int32_t mode) {
        (void)mode;
        return false;
    }

protected:
    AudioEffect* m_effect;
};
