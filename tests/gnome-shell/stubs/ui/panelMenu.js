// Stand-in for the GNOME 45+ shell's panel button: a GObject type to derive from.
import GObject from 'gi://GObject';
import St from 'gi://St';

export const Button = GObject.registerClass(
class Button extends St.Widget {
    _init(menuAlignment, nameText) {
        super._init({name: nameText});
    }
});
