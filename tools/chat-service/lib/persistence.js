'use strict';

// Keeps the service's customers, rooms and messages in a JSON file, so that a
// restarted service still knows them, as the real service's database does.
// Configuration and logs start afresh with every run.

const fs = require('node:fs');

class StateFile {
    constructor(path, state) {
        this.path = path;
        this.state = state;
        this.saveQueued = false;
    }

    // Loads what an earlier run saved; a missing file is an empty service.
    load() {
        if (!fs.existsSync(this.path)) return;
        this.state.restore(JSON.parse(fs.readFileSync(this.path, 'utf8')));
    }

    // Saves after the current piece of work, once for all its changes.
    saveSoon() {
        if (this.saveQueued) return;
        this.saveQueued = true;
        setImmediate(() => {
            this.saveQueued = false;
            this.save();
        });
    }

    // Written aside and renamed, so that a killed service leaves a whole file.
    save() {
        const temporary = `${this.path}.tmp`;
        fs.writeFileSync(temporary, JSON.stringify(this.state.persistent()));
        fs.renameSync(temporary, this.path);
    }
}

module.exports = { StateFile };
