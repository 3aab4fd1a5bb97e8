// Stand-ins for the GNOME 45+ shell's popup menu items: GObject types to derive from.
import GObject from 'gi://GObject';
import St from 'gi://St';

export const PopupBaseMenuItem = GObject.registerClass(
class PopupBaseMenuItem extends St.BoxLayout {});

export const PopupMenuItem = GObject.registerClass(
class PopupMenuItem extends PopupBaseMenuItem {});

export const PopupSeparatorMenuItem = GObject.registerClass(
class PopupSeparatorMenuItem extends PopupBaseMenuItem {});

export class PopupMenuSection {}
