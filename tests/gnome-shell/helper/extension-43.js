// Tests only, never packaged: a headless shell answers org.gnome.Shell.Eval and the screenshot
// service only in unsafe mode. GNOME 43 and 44.
class Extension {
    enable() {
        this._wasUnsafe = global.context.unsafe_mode;
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = this._wasUnsafe;
    }
}

function init() {
    return new Extension();
}
