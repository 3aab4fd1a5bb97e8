// Tests only, never packaged: a headless shell answers org.gnome.Shell.Eval and the screenshot
// service only in unsafe mode. GNOME 45 and later.
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

export default class TestHelperExtension extends Extension {
    enable() {
        this._wasUnsafe = global.context.unsafe_mode;
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = this._wasUnsafe;
    }
}
