'use strict';

// Pictures, the bridge page's markup, the template test endpoint and the
// bot's rich replies, against a running service.

const assert = require('node:assert/strict');
const { after, before, describe, it } = require('node:test');

const { Service, assertWireMessage } = require('./support/service');
const { contentProblems, kindOfContent } = require('./support/payloads');
const templates = require('../lib/templates');

const PNG_SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

let service;
before(async () => {
    service = await Service.start();
});
after(() => service.stop());

describe('pictures', () => {
    it('serves two distinct good pictures, a body that is no picture and a missing one', async () => {
        const good = await service.get('/images/good.png');
        const shared = await service.get('/images/shared.png');
        for (const picture of [good, shared]) {
            assert.equal(picture.status, 200);
            assert.equal(picture.headers.get('content-type'), 'image/png');
            assert.deepEqual(picture.raw.subarray(0, 8), PNG_SIGNATURE);
            assert.equal(picture.raw.readUInt32BE(16), 320, 'width');
            assert.equal(picture.raw.readUInt32BE(20), 160, 'height');
        }
        assert.notDeepEqual(good.raw, shared.raw);

        const notImage = await service.get('/images/not-image.png');
        assert.equal(notImage.status, 200);
        assert.equal(notImage.headers.get('content-type'), 'image/png');
        assert.notDeepEqual(notImage.raw.subarray(0, 8), PNG_SIGNATURE);
        assert.equal((await service.get('/images/missing.png')).status, 404);
        assert.equal((await service.get('/images/../server.js')).status, 404);
        assert.equal((await service.post('/images/good.png')).status, 405);

        const logged = await service.get('/test/requests?path=/images/good.png');
        assert.equal(logged.json.requests.length, 1, 'each download is logged');
    });

    it('answers the slow picture after the configured delay', async () => {
        await service.configure({ images: { slowMs: 400 } });
        const started = Date.now();
        const slow = await service.get('/images/slow.png');
        assert.ok(Date.now() - started >= 400);
        assert.deepEqual(slow.raw.subarray(0, 8), PNG_SIGNATURE);
        assert.equal((await service.post('/test/config', { images: { slowMs: -1 } })).status, 400);
        assert.equal((await service.post('/test/config', { images: { fastMs: 1 } })).status, 400);
        assert.equal((await service.get('/test/config')).json.config.images.slowMs, 400);
    });
});

describe('bridge page', () => {
    it('fills the form from the query and escapes what it shows', async () => {
        const page = await service.get('/bridge');
        assert.equal(page.headers.get('content-type'), 'text/html; charset=utf-8');
        const html = page.raw.toString();
        assert.match(html, /id="bridge-text" name="text" value="I filled in the form"/);
        assert.match(html, /id="bridge-keyword" name="keyword" value="FORM_DONE"/);
        assert.match(html, /data-variant="json" data-handler="closeWebView"/);

        const hostile = (await service.get(`/bridge?text=${encodeURIComponent('"><script>alert(1)</script>')}&variant=nope`)).raw.toString();
        assert.doesNotMatch(hostile, /<script>alert/);
        assert.match(hostile, /value="&quot;&gt;&lt;script&gt;alert\(1\)&lt;\/script&gt;"/);
        assert.match(hostile, /data-variant="json"/, 'an unknown variant is the plain form');

        const other = (await service.get('/bridge?variant=other-handler')).raw.toString();
        assert.match(other, /data-variant="other-handler" data-handler="otherHandler"/);
        const framed = (await service.get('/bridge?variant=iframe&keyword=K&auto=1')).raw.toString();
        assert.match(framed, /<iframe id="bridge-frame" title="form" src="\/bridge\/frame\?keyword=K&amp;auto=1">/);
        const frame = (await service.get('/bridge/frame?keyword=K')).raw.toString();
        assert.match(frame, /value="K"/);
        assert.match(frame, /data-variant="json" data-handler="closeWebView"/);
    });

    it('serves the agent console and the Socket.IO browser client', async () => {
        const page = await service.get('/agent');
        assert.equal(page.status, 200);
        assert.match(page.raw.toString(), /<script src="\/socket.io\/socket.io.js"><\/script>/);
        for (const file of ['/agent.css', '/agent.js', '/socket.io/socket.io.js']) {
            assert.equal((await service.get(file)).status, 200, file);
        }
        assert.equal((await service.get('/agent.html')).status, 404);
    });
});

describe('templates reach the customer', () => {
    it('the test endpoint sends every kind to a room', async () => {
        await service.configure({ bot: { enabled: false } });
        const customer = await service.customer();
        try {
            for (const kind of templates.KINDS) {
                const sent = await service.post('/test/template', { userId: customer.userId, kind });
                assert.equal(sent.status, 200, kind);
                const received = await customer.waitForMessage((m) => m._id === sent.json.message._id, kind);
                assertWireMessage(assert, received);
                assert.equal(received.roomId, customer.roomId);
                assert.equal(received.msgTo, customer.userId);
                assert.deepEqual(contentProblems(received.msg), [], kind);
                assert.deepEqual(received.msg, templates.build(kind, { origin: service.origin }), kind);
            }
            const prompt = await service.post('/test/template', {
                roomId: customer.roomId, kind: 'choices', text: 'Which one?', fields: { senderRole: 'agent' },
            });
            assert.equal(prompt.json.message.msg.message.attachment.payload.text, 'Which one?');
            assert.equal(prompt.json.message.senderRole, 'agent');

            const quiet = await service.post('/test/template', { userId: customer.userId, kind: 'text', deliver: false });
            assert.equal(quiet.status, 200);
            assert.equal((await service.post('/test/template', { userId: customer.userId, kind: 'list' })).status, 400);
            assert.equal((await service.post('/test/template', { userId: customer.userId, kind: 'text', text: 5 })).status, 400);
            assert.equal((await service.post('/test/template', { userId: 'nobody', kind: 'cards' })).status, 404);
            assert.equal((await service.post('/test/template', { kind: 'cards' })).status, 400);
            assert.equal(customer.messages().some((m) => m._id === quiet.json.message._id), false);
        } finally {
            customer.close();
            await service.configure({ bot: { enabled: true } });
        }
    });

    it('the bot answers keywords with templates whose pictures download', async () => {
        const customer = await service.customer();
        try {
            customer.send('cards');
            const cards = await customer.waitForMessage((m) => m.senderRole === 'bot' && kindOfContent(m.msg) === 'cards');
            const urls = cards.msg.message.attachment.payload.elements.map((c) => c.image_url).filter(Boolean);
            for (const url of urls) {
                assert.ok(url.startsWith(`${service.origin}/images/`), url);
                const picture = await fetch(url);
                assert.equal(picture.status, 200, url);
                assert.equal(picture.headers.get('content-type'), 'image/png');
            }
            customer.send('link');
            const link = await customer.waitForMessage((m) => kindOfContent(m.msg) === 'link');
            const bridge = await fetch(link.msg.message.attachment.payload.buttons[0].url);
            assert.equal(bridge.status, 200);

            // A postback arrives as the button's title with its payload as keyword.
            customer.send('Buy the teapot', 'BUY_TEAPOT');
            await customer.waitForMessage((m) => m.msg.message.text === 'You chose "Buy the teapot" (BUY_TEAPOT).');
            customer.send('E-mail form', 'email');
            await customer.waitForMessage((m) => kindOfContent(m.msg) === 'email');
        } finally {
            customer.close();
        }
    });
});
