// Stand-in for the GNOME 45+ shell's main module: the top bar the extension adds to.
export const panel = {
    statusArea: {},
    addToStatusArea(role, indicator) {
        this.statusArea[role] = indicator;
        return indicator;
    },
};
