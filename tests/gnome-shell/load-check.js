// The GNOME 45 and later builds of the extension and of the test helper, loaded as that shell loads
// them (ES modules, the shell's modules at their own resource paths; here stand-ins, stubs/) and
// constructed, and the shared logic's reading of the status command checked once. Debian 12 has no
// GNOME 45 to run them in (its GNOME 43 runs the 43 build in TestTopBar); on Debian 13 TestTopBar runs
// them in GNOME 48 as well.
// Usage: gjs -m load-check.js STUBS.gresource EXTENSION_FOLDER HELPER_FOLDER
import Clutter from 'gi://Clutter';
import GLib from 'gi://GLib';
import GObject from 'gi://GObject';
import Gio from 'gi://Gio';
import Shell from 'gi://Shell';
import St from 'gi://St';
import System from 'system';

const [resource, product, helper] = System.programArgs;

function check(condition, what) {
    if (!condition)
        throw new Error(what);
}

function metadataOf(folder) {
    const [, bytes] = GLib.file_get_contents(`${folder}/metadata.json`);
    return {...JSON.parse(new TextDecoder().decode(bytes)), path: folder};
}

async function main() {
    Gio.Resource.load(resource)._register();
    for (const folder of [product, helper]) {
        const metadata = metadataOf(folder);
        check(metadata['shell-version'].includes('45'), `${folder}: not for GNOME 45`);
        const {default: Extension} = await import(`file://${folder}/extension.js`);
        // As the shell makes it: no work before enable().
        const extension = new Extension(metadata);
        check(typeof extension.enable === 'function' && typeof extension.disable === 'function',
            `${folder}: no enable() and disable()`);
    }

    const Main = await import('resource:///org/gnome/shell/ui/main.js');
    const PanelMenu = await import('resource:///org/gnome/shell/ui/panelMenu.js');
    const PopupMenu = await import('resource:///org/gnome/shell/ui/popupMenu.js');
    const {tallyfern} = await import(`file://${product}/tallyfern.js`);
    const {TopBar, view} = tallyfern({GLib, Gio, GObject, St, Clutter, Shell, Main, PanelMenu, PopupMenu});
    new TopBar(product, metadataOf(product).uuid);

    const shown = view({
        text: 'Cursor 剩余 88% · 高级剩余 3%',
        class: 'critical',
        accounts: [
            {primary: true, signedIn: true, hasData: true, stale: false, email: 'lin.wei@example.com',
                label: null, plan: 'Pro+', cursorRemainingPercent: 88, updatedAt: '2026-12-07T05:50:00Z'},
            {primary: false, signedIn: true, locked: true, hasData: false, email: 'wei.chen@corp.example.com',
                label: '团队'},
        ],
    });
    const expected = {
        text: 'Cursor 剩余 88% · 高级剩余 3%',
        cssClass: 'critical',
        warning: true,
        lines: ['lin.wei@example.com · Pro+ · 剩余 88%', '团队 · — · 暂无数据'],
        updated: '更新于 13:50', // in the tests' time zone, Asia/Shanghai
        ageing: true,
        // One token behind a locked keyring: "刷新" (the background refresh) cannot reach it.
        hint: '钥匙串已锁定 · 在 Tallyfern 中刷新以解锁',
    };
    check(JSON.stringify(shown) === JSON.stringify(expected), `view: ${JSON.stringify(shown)}`);
}

try {
    await main();
} catch (error) {
    printerr(`load check failed: ${error.message}\n${error.stack}`);
    System.exit(1);
}
