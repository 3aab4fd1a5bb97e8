// Tallyfern in GNOME's top bar: the gauge and what is left, with a menu of the accounts, the time of
// the last update, "刷新" and "打开 Tallyfern".
//
// One source for both builds: GNOME 43–44 load it as an `imports.*` module, 45 and later as an ES
// module (the build adds the export). It names no module itself: the glue hands in what the shell
// provides. Every figure, text and class comes from `tallyfern --status --format json --account all`,
// so no rule of the app is written again here; this process never reaches the network or the secret
// store. Nothing runs at import or in a constructor: enable() starts the work and disable() stops
// and removes all of it.

// The same classes for every enable: a GObject type is registered once per process.
let built = null;

function tallyfern(shell) {
    if (!built)
        built = build(shell);
    return built;
}

function build(shell) {
    const {GLib, Gio, GObject, St, Clutter, Shell, Main, PanelMenu, PopupMenu} = shell;

    const program = 'tallyfern';
    const statusArguments = ['--status', '--format', 'json', '--account', 'all'];
    // The files whose replacement means new data: the marker the app replaces after every store,
    // and the account list.
    const watchedNames = ['reload-timelines', 'accounts.json'];
    const folderName = 'Tallyfern';
    // One save is several folder events (temporary file, rename, the marker after it).
    const settleMs = 250;
    // Only to age fresh data to stale; new data arrive through the folder watch.
    const ageingSeconds = 60;
    const classes = ['ok', 'low', 'critical', 'stale', 'nodata'];

    // What the top bar and the menu show of the status command's answer. Pure, for the tests.
    function view(status) {
        const accounts = Array.isArray(status.accounts) ? status.accounts : [];
        const primary = accounts.find(account => account.primary) ?? accounts[0] ?? {};
        const lines = accounts.map(account => {
            const name = account.label || account.email || '';
            let state = '未登录';
            if (account.signedIn)
                state = account.hasData ? `剩余 ${account.cursorRemainingPercent ?? 0}%` : '暂无数据';
            return [name, account.plan || '—', state].filter(part => part !== '').join(' · ');
        });
        let updated = null;
        if (primary.hasData && primary.updatedAt) {
            const time = GLib.DateTime.new_from_iso8601(primary.updatedAt, null);
            if (time)
                updated = `更新于 ${time.to_local().format('%H:%M')}${primary.stale ? '（数据已过期）' : ''}`;
        }
        const cssClass = classes.includes(status.class) ? status.class : 'nodata';
        return {
            text: status.text || '暂无用量数据',
            cssClass,
            warning: cssClass === 'low' || cssClass === 'critical',
            lines,
            updated,
            ageing: accounts.some(account => account.hasData && !account.stale),
            // "刷新" runs the background refresh, which never unlocks the keyring.
            hint: accounts.some(account => account.locked) ? '钥匙串已锁定 · 在 Tallyfern 中刷新以解锁' : '',
        };
    }

    // "刷新" with a second line saying why the last refresh changed nothing.
    const RefreshItem = GObject.registerClass(
    class TallyfernRefreshItem extends PopupMenu.PopupBaseMenuItem {
        _init() {
            super._init();
            const box = new St.BoxLayout({vertical: true, x_expand: true});
            this.label = new St.Label({text: '刷新'});
            this.hint = new St.Label({style_class: 'tallyfern-hint', visible: false});
            box.add_child(this.label);
            box.add_child(this.hint);
            this.add_child(box);
            this.label_actor = this.label;
        }

        showRun(running) {
            this.label.text = running ? '正在刷新…' : '刷新';
            this.sensitive = !running;
            this.hint.visible = !running && this.hint.text !== '';
        }

        showHint(hint) {
            this.hint.text = hint;
            this.hint.visible = this.sensitive && hint !== '';
        }
    });

    const Indicator = GObject.registerClass(
    class TallyfernIndicator extends PanelMenu.Button {
        _init(path) {
            super._init(0.5, 'Tallyfern', false);
            this._icons = {
                normal: Gio.FileIcon.new(Gio.File.new_for_path(`${path}/icons/gauge.svg`)),
                warning: Gio.FileIcon.new(Gio.File.new_for_path(`${path}/icons/gauge-warning.svg`)),
            };
            const box = new St.BoxLayout({style_class: 'panel-status-menu-box'});
            this._icon = new St.Icon({gicon: this._icons.normal, style_class: 'system-status-icon'});
            this.label = new St.Label({
                text: '暂无用量数据',
                y_align: Clutter.ActorAlign.CENTER,
                style_class: 'tallyfern-label tallyfern-nodata',
            });
            box.add_child(this._icon);
            box.add_child(this.label);
            this.add_child(box);
            this.cssClass = 'nodata';

            this._accounts = new PopupMenu.PopupMenuSection();
            this.menu.addMenuItem(this._accounts);
            this._updated = new PopupMenu.PopupMenuItem('', {reactive: false, can_focus: false});
            this._updated.visible = false;
            this.menu.addMenuItem(this._updated);
            this.menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
            this.refreshItem = new RefreshItem();
            this.menu.addMenuItem(this.refreshItem);
            this.openItem = new PopupMenu.PopupMenuItem('打开 Tallyfern');
            this.menu.addMenuItem(this.openItem);
        }

        showStatus(shown) {
            this.label.text = shown.text;
            this.refreshItem.showHint(shown.hint);
            if (shown.cssClass !== this.cssClass) {
                this.label.remove_style_class_name(`tallyfern-${this.cssClass}`);
                this.label.add_style_class_name(`tallyfern-${shown.cssClass}`);
                this.cssClass = shown.cssClass;
            }
            this._icon.gicon = shown.warning ? this._icons.warning : this._icons.normal;
            this._accounts.removeAll();
            for (const line of shown.lines)
                this._accounts.addMenuItem(new PopupMenu.PopupMenuItem(line, {reactive: false, can_focus: false}));
            this._updated.label.text = shown.updated ?? '';
            this._updated.visible = shown.updated !== null;
        }
    });

    // One run of the app at a time, with what it printed; cancelled by stop().
    class Runner {
        constructor(argv, cancellable) {
            this._argv = argv;
            this._cancellable = cancellable;
            this._process = null;
        }

        get running() {
            return this._process !== null;
        }

        // `done` gets standard output, or null when it could not run or failed.
        start(done) {
            try {
                this._process = Gio.Subprocess.new([program, ...this._argv],
                    Gio.SubprocessFlags.STDOUT_PIPE | Gio.SubprocessFlags.STDERR_SILENCE);
            } catch (error) {
                logError(error, `Tallyfern: cannot start ${program}`);
                done(null);
                return;
            }
            this._process.communicate_utf8_async(null, this._cancellable, (process, result) => {
                let output = null;
                try {
                    [, output] = process.communicate_utf8_finish(result);
                    if (!process.get_successful())
                        output = null;
                } catch (error) {
                    if (error.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        return;
                    logError(error, `Tallyfern: ${program} ${this._argv.join(' ')}`);
                }
                this._process = null;
                done(output);
            });
        }

        stop() {
            this._process?.force_exit();
            this._process = null;
        }
    }

    // Watches the data folder (or, until it exists, the folder it will appear in) and runs the
    // status command, once, shortly after what it watches changed.
    class Feed {
        constructor(cancellable, changed) {
            this._cancellable = cancellable;
            this._changed = changed;
            this._folder = Gio.File.new_for_path(GLib.build_filenamev([GLib.get_user_data_dir(), folderName]));
            this._watched = null;
            this._monitor = null;
            this._settle = 0;
        }

        start() {
            this._watch();
        }

        // Soon, once: several events in a row are one change.
        schedule() {
            if (this._settle)
                return;
            this._settle = GLib.timeout_add(GLib.PRIORITY_DEFAULT, settleMs, () => {
                this._settle = 0;
                this._watch();
                this._changed();
                return GLib.SOURCE_REMOVE;
            });
        }

        stop() {
            if (this._settle)
                GLib.source_remove(this._settle);
            this._settle = 0;
            this._monitor?.cancel();
            this._monitor = null;
            this._watched = null;
        }

        _watch() {
            const exists = this._folder.query_file_type(Gio.FileQueryInfoFlags.NONE, null) ===
                Gio.FileType.DIRECTORY;
            const watched = exists ? this._folder : this._folder.get_parent();
            if (this._watched?.equal(watched))
                return;
            this._monitor?.cancel();
            this._watched = watched;
            const names = exists ? watchedNames : [folderName];
            try {
                this._monitor = watched.monitor_directory(Gio.FileMonitorFlags.WATCH_MOVES, this._cancellable);
            } catch (error) {
                // A parent that does not exist either: the slow timer and "刷新" still update.
                logError(error, 'Tallyfern: cannot watch the data folder');
                this._monitor = null;
                return;
            }
            this._monitor.connect('changed', (monitor, file, other) => {
                if ([file, other].some(changed => changed && names.includes(changed.get_basename())))
                    this.schedule();
            });
        }
    }

    class TopBar {
        constructor(path, uuid) {
            this._path = path;
            this._uuid = uuid;
            this._indicator = null;
        }

        enable() {
            this._cancellable = new Gio.Cancellable();
            this._indicator = new Indicator(this._path);
            this._status = new Runner(statusArguments, this._cancellable);
            this._refresh = new Runner(['--refresh'], this._cancellable);
            this._again = false;
            this._ageing = 0;
            this._feed = new Feed(this._cancellable, () => this._update());
            this._indicator.refreshItem.connect('activate', () => this._refreshNow());
            this._indicator.openItem.connect('activate', () => this._open());
            Main.panel.addToStatusArea(this._uuid, this._indicator);
            this._feed.start();
            this._update();
        }

        disable() {
            this._cancellable.cancel();
            this._feed.stop();
            this._status.stop();
            this._refresh.stop();
            if (this._ageing)
                GLib.source_remove(this._ageing);
            this._ageing = 0;
            this._indicator.destroy();
            this._indicator = null;
            this._feed = this._status = this._refresh = this._cancellable = null;
        }

        _update() {
            if (this._status.running) {
                this._again = true;
                return;
            }
            this._status.start(output => {
                let status = null;
                try {
                    status = output === null ? null : JSON.parse(output);
                } catch (error) {
                    logError(error, 'Tallyfern: unreadable status');
                }
                if (status)
                    this._show(view(status));
                if (this._again) {
                    this._again = false;
                    this._update();
                }
            });
        }

        _show(shown) {
            this._indicator.showStatus(shown);
            // Fresh data turn stale on their own; nothing else changes with time.
            if (shown.ageing && !this._ageing) {
                this._ageing = GLib.timeout_add_seconds(GLib.PRIORITY_LOW, ageingSeconds, () => {
                    this._update();
                    return GLib.SOURCE_CONTINUE;
                });
            } else if (!shown.ageing && this._ageing) {
                GLib.source_remove(this._ageing);
                this._ageing = 0;
            }
        }

        // The headless refresh: it never unlocks the keyring and honours a busy service's wait; the
        // status read after it says when a locked keyring kept it from storing anything.
        _refreshNow() {
            if (this._refresh.running)
                return;
            this._indicator.refreshItem.showRun(true);
            this._refresh.start(() => {
                this._indicator.refreshItem.showRun(false);
                this._update();
            });
        }

        // The app's own launcher when it is installed: the shell then raises its running window.
        _open() {
            const app = Shell.AppSystem.get_default().lookup_app('com.local.tallyfern.desktop');
            if (app) {
                app.activate();
                return;
            }
            try {
                Gio.Subprocess.new([program], Gio.SubprocessFlags.NONE);
            } catch (error) {
                logError(error, `Tallyfern: cannot start ${program}`);
            }
        }
    }

    return {TopBar, view};
}
