'use strict';

// The agent console and the bridge page in a real browser (the system's
// Chromium), against a running service and a customer connected as the app.

const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { after, before, describe, it } = require('node:test');

const { Service, waitFor, assertWireMessage, WIRE_KEYS } = require('./support/service');
const { contentProblems, kindOfContent } = require('./support/payloads');
const { launchChromium } = require('./support/chromium');
const { ConsolePage } = require('./support/console-page');

let service;
let chromium;
before(async () => {
    service = await Service.start({ tokens: ['demo-shop'] });
    chromium = await launchChromium();
});
after(async () => {
    await chromium?.close();
    await service?.stop();
});

describe('agent console in Chromium', () => {
    it('shows the customer\'s message, answers, marks seen and sends every rich kind', async () => {
        const customer = await service.customer('dana');
        const page = await ConsolePage.open(chromium.browser, `${service.origin}/agent?agent=agent-9`);
        try {
            // The bot would read the customer's messages by itself.
            await page.setBot(false);
            await waitFor(async () => (await service.get('/test/config')).json.config.bot.enabled === false, { what: 'the bot to be off' });

            const asked = customer.send('My order did not arrive');
            const roomId = await page.select({ userId: 'dana' });
            assert.equal(roomId, customer.roomId);
            const shown = await page.waitForMessage({ shownAs: 'customer', text: 'My order did not arrive' });
            assert.equal(shown.agentStatus, 'sent');
            const room = (await page.rooms()).find((r) => r.userId === 'dana');
            assert.equal(room.online, true);
            assert.equal(room.unseen, 1);

            const answerRow = await page.answer('Sorry! It leaves today.');
            const answer = await customer.waitForMessage((m) => m._id === answerRow.messageId, 'the answer');
            assertWireMessage(assert, answer);
            assert.deepEqual(Object.keys(answer).filter((k) => WIRE_KEYS.includes(k)).sort(), [...WIRE_KEYS].sort());
            assert.deepEqual([answer.msgFrom, answer.msgTo, answer.senderRole, answer.roomId],
                ['agent-9', 'dana', 'agent', customer.roomId]);
            assert.deepEqual(answer.msg, { message: { text: 'Sorry! It leaves today.' } });
            assert.equal(await page.page.$eval('#answer-text', (box) => box.value), '', 'the box is emptied');

            const count = customer.messages().length;
            await page.markSeen();
            const seen = await customer.waitForMessage((m, i) => i >= count && m.createdOn === asked.createdOn, 'the seen copy');
            assert.equal(seen.messageSentToAgentStatus, 'seen');
            assert.equal((await page.rooms()).find((r) => r.userId === 'dana').unseen, 0);

            for (const kind of ['cards', 'buttons', 'choices', 'email', 'quick', 'link']) {
                const row = await page.send(kind);
                const received = await customer.waitForMessage((m) => m._id === row.messageId, kind);
                assert.equal(kindOfContent(received.msg), kind);
                assert.equal(received.senderRole, 'agent');
                assert.deepEqual(contentProblems(received.msg), [], kind);
            }

            // Live: a later customer message and its status change appear without a reload.
            customer.send('Thanks!');
            await page.waitForMessage({ shownAs: 'customer', text: 'Thanks!', agentStatus: 'sent' });
            const shot = path.join(os.tmpdir(), `kesvor-agent-console-${process.pid}.png`);
            await page.screenshot(shot);
            assert.ok(fs.statSync(shot).size > 10000);
            fs.rmSync(shot);

            const order = (await page.messages()).map((row) => row.messageId);
            const stored = (await service.get('/test/state')).json.rooms[0].messages.map((m) => m._id);
            assert.deepEqual(new Set(order), new Set(stored), 'the page shows what the service stores');
            assert.deepEqual(page.errors, []);
        } finally {
            customer.close();
            await page.page.close();
        }
    });
});

describe('bridge page in Chromium', () => {
    // Stands in for the app's web view: every frame gets handlers that
    // record what is posted, and whether the main frame posted it.
    const FAKE_BRIDGE = `
        (function () {
            var record = function (name) {
                return { postMessage: function (body) {
                    (window.top.bridgePosts = window.top.bridgePosts || []).push({
                        handler: name, type: typeof body, body: body, mainFrame: window === window.top });
                } };
            };
            window.webkit = { messageHandlers: { closeWebView: record('closeWebView'), otherHandler: record('otherHandler') } };
        })();`;

    async function postsOf(query, { bridge = true, click = true } = {}) {
        const page = await chromium.browser.newPage();
        try {
            if (bridge) await page.evaluateOnNewDocument(FAKE_BRIDGE);
            await page.goto(`${service.origin}/bridge${query}`, { waitUntil: 'load' });
            const frame = query.includes('variant=iframe')
                ? await (await page.waitForSelector('#bridge-frame')).contentFrame()
                : page.mainFrame();
            await frame.waitForSelector('#bridge-done');
            if (click) await frame.click('#bridge-done');
            const note = await frame.waitForSelector('#bridge-note:not([data-state="ready"])');
            const state = await note.evaluate((node) => node.dataset.state);
            return { state, posts: await page.evaluate(() => window.bridgePosts || []) };
        } finally {
            await page.close();
        }
    }

    it('posts the form as JSON text to "closeWebView"', async () => {
        const { state, posts } = await postsOf('');
        assert.equal(state, 'sent');
        assert.deepEqual(posts, [{ handler: 'closeWebView', type: 'string', mainFrame: true,
            body: JSON.stringify({ text: 'I filled in the form', messageKeyword: 'FORM_DONE' }) }]);
        const custom = await postsOf('?text=Size%20M&keyword=SIZE_M&auto=1', { click: false });
        assert.deepEqual(JSON.parse(custom.posts[0].body), { text: 'Size M', messageKeyword: 'SIZE_M' });
    });

    it('has variants that post what an app must refuse', async () => {
        const body = async (variant) => (await postsOf(`?variant=${variant}`)).posts;
        const [notJson] = await body('not-json');
        assert.throws(() => JSON.parse(notJson.body));
        assert.ok(Array.isArray(JSON.parse((await body('array'))[0].body)));
        assert.deepEqual((await body('non-string'))[0], { handler: 'closeWebView', type: 'object', mainFrame: true,
            body: { text: 'I filled in the form', messageKeyword: 'FORM_DONE' } });
        assert.equal((await body('other-handler'))[0].handler, 'otherHandler');
        const [fromFrame] = await body('iframe');
        assert.equal(fromFrame.handler, 'closeWebView');
        assert.equal(fromFrame.mainFrame, false);
    });

    it('says so when no app handler is there', async () => {
        const { state, posts } = await postsOf('', { bridge: false });
        assert.equal(state, 'no-handler');
        assert.deepEqual(posts, []);
    });
});
