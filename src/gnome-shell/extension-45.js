// GNOME Shell 45 and later: the shell's modules are ES modules.
import GLib from 'gi://GLib';
import Gio from 'gi://Gio';
import GObject from 'gi://GObject';
import St from 'gi://St';
import Clutter from 'gi://Clutter';
import Shell from 'gi://Shell';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import * as PanelMenu from 'resource:///org/gnome/shell/ui/panelMenu.js';
import * as PopupMenu from 'resource:///org/gnome/shell/ui/popupMenu.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {tallyfern} from './tallyfern.js';

export default class TallyfernExtension extends Extension {
    enable() {
        const {TopBar} = tallyfern({GLib, Gio, GObject, St, Clutter, Shell, Main, PanelMenu, PopupMenu});
        this._topBar = new TopBar(this.path, this.uuid);
        this._topBar.enable();
    }

    disable() {
        this._topBar.disable();
        this._topBar = null;
    }
}
