// Stand-in for the GNOME 45+ shell's extension base class: what it takes and keeps.
import Gio from 'gi://Gio';

export class Extension {
    constructor(metadata) {
        this.metadata = metadata;
        this.uuid = metadata.uuid;
        this.path = metadata.path;
        this.dir = Gio.File.new_for_path(metadata.path);
    }
}
