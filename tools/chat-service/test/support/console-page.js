'use strict';

// The agent console in a browser tab, used as an agent uses it: clicks on
// rooms and buttons, keystrokes in the answer box. What it reports is read
// from the page as shown (rows of the conversation and their attributes).

const { waitFor } = require('./service');

const DEFAULT_TIMEOUT_MS = 15000;

// Runs in the page: one row of the conversation as plain data.
function readRows() {
    return [...document.querySelectorAll('#conversation > li.message')].map((row) => ({
        messageId: row.dataset.messageId,
        senderRole: row.dataset.senderRole,
        shownAs: row.className.replace(/^message from-/, ''),
        kind: row.dataset.kind,
        text: row.dataset.text,
        agentStatus: row.dataset.agentStatus,
        customerStatus: row.dataset.customerStatus,
    }));
}

function matches(row, wanted) {
    return Object.entries(wanted).every(([key, value]) => value === undefined || row[key] === value);
}

class ConsolePage {
    static async open(browser, url, { timeoutMs = DEFAULT_TIMEOUT_MS } = {}) {
        const page = await browser.newPage();
        const consolePage = new ConsolePage(page, timeoutMs);
        page.on('pageerror', (error) => consolePage.errors.push(String(error)));
        await page.goto(url, { waitUntil: 'load', timeout: timeoutMs });
        const status = await page.waitForSelector(
            '#connection-status[data-state="connected"], #connection-status[data-state="error"]', { timeout: timeoutMs });
        const { state, text } = await status.evaluate((node) => ({ state: node.dataset.state, text: node.textContent }));
        if (state === 'error') throw new Error(text);
        return consolePage;
    }

    constructor(page, timeoutMs) {
        this.page = page;
        this.timeoutMs = timeoutMs;
        // Script errors on the page; a test expects none.
        this.errors = [];
    }

    rooms() {
        return this.page.$$eval('#rooms > li', (items) => items.map((item) => ({
            roomId: item.dataset.roomId,
            userId: item.dataset.userId,
            online: item.dataset.online === 'true',
            unseen: Number(item.dataset.unseen),
            name: item.querySelector('.name').textContent,
            preview: item.querySelector('.preview').textContent,
        })));
    }

    messages() {
        return this.page.evaluate(readRows);
    }

    // Clicks the room of the customer (or the room id) once it is listed and
    // waits until its conversation is shown.
    async select({ userId, roomId }) {
        // Found and clicked in one step inside the page: the list is drawn
        // again whenever a room changes, which detaches the items found before.
        const clicked = await this.page.waitForFunction((user, room) => {
            const li = [...document.querySelectorAll('#rooms > li')]
                .find((item) => (user && item.dataset.userId === user) || (room && item.dataset.roomId === room));
            if (!li) return null;
            li.click();
            return li.dataset.roomId;
        }, { timeout: this.timeoutMs }, userId ?? null, roomId ?? null);
        const selected = await clicked.jsonValue();
        await this.page.waitForFunction((room) => document.getElementById('conversation-pane').dataset.roomId === room
            && !document.getElementById('answer-text').disabled, { timeout: this.timeoutMs }, selected);
        return selected;
    }

    // Waits for a shown message with these attributes (those left undefined
    // match anything) whose id is not among except; resolves to its row.
    async waitForMessage(wanted, { except = [], timeoutMs = this.timeoutMs } = {}) {
        const found = () => this.messages()
            .then((rows) => rows.find((row) => !except.includes(row.messageId) && matches(row, wanted)));
        return waitFor(found, { timeoutMs, what: `a message like ${JSON.stringify(wanted)}` });
    }

    async shownIds() {
        return (await this.messages()).map((row) => row.messageId);
    }

    // Types the answer with the keyboard and sends it with Enter.
    async answer(text) {
        const before = await this.shownIds();
        await this.page.click('#answer-text');
        await this.page.keyboard.type(text);
        await this.page.keyboard.press('Enter');
        return this.waitForMessage({ shownAs: 'agent', kind: 'text', text }, { except: before });
    }

    // Clicks the button of one rich kind; resolves to the new row.
    async send(kind) {
        const before = await this.shownIds();
        const button = await this.page.$(`#send-${kind}`);
        if (!button) throw new Error(`no button for the kind "${kind}"`);
        await button.click();
        return this.waitForMessage({ shownAs: 'agent' }, { except: before });
    }

    // Clicks "Mark seen" and waits until every customer message shows seen.
    async markSeen() {
        await this.page.click('#mark-seen');
        await this.page.waitForSelector('#console-status[data-state="done"], #console-status[data-state="error"]', { timeout: this.timeoutMs });
        const status = await this.page.$eval('#console-status', (node) => ({ state: node.dataset.state, text: node.textContent }));
        if (status.state === 'error') throw new Error(status.text);
        await this.page.waitForFunction(() => [...document.querySelectorAll('#conversation > li.from-customer')]
            .every((row) => row.dataset.agentStatus === 'seen'), { timeout: this.timeoutMs });
        return status.text;
    }

    async setBot(enabled) {
        const checked = await this.page.$eval('#bot-enabled', (box) => box.checked);
        if (checked !== enabled) await this.page.click('#bot-enabled');
    }

    async screenshot(path) {
        await this.page.screenshot({ path });
        return path;
    }
}

module.exports = { ConsolePage, matches };
