// GNOME Shell 43 and 44: the shell's modules come through imports.*.
const {GLib, Gio, GObject, St, Clutter, Shell} = imports.gi;
const Main = imports.ui.main;
const PanelMenu = imports.ui.panelMenu;
const PopupMenu = imports.ui.popupMenu;
const Me = imports.misc.extensionUtils.getCurrentExtension();

class Extension {
    constructor(metadata) {
        this._metadata = metadata;
        this._topBar = null;
    }

    enable() {
        const {TopBar} = Me.imports.tallyfern.tallyfern(
            {GLib, Gio, GObject, St, Clutter, Shell, Main, PanelMenu, PopupMenu});
        this._topBar = new TopBar(this._metadata.path, this._metadata.uuid);
        this._topBar.enable();
    }

    disable() {
        this._topBar.disable();
        this._topBar = null;
    }
}

function init(metadata) {
    return new Extension(metadata);
}
