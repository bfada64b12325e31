'use strict';

// Message contents of every kind, and the bot's choice of reply.

const assert = require('node:assert/strict');
const { describe, it } = require('node:test');

const templates = require('../lib/templates');
const bot = require('../lib/bot');
const { contentProblems, kindOfContent } = require('./support/payloads');

const origin = 'http://127.0.0.1:4567';
const build = (kind, text) => templates.build(kind, { origin, text });
const payloadOf = (msg) => msg.message.attachment.payload;

describe('message contents', () => {
    it('every kind is sound as the app reads it', () => {
        for (const kind of templates.KINDS) {
            assert.deepEqual(contentProblems(build(kind)), [], kind);
        }
        assert.throws(() => build('carousel'), /unknown kind/);
    });

    it('the card carousel covers pictures, button counts and a link', () => {
        const cards = payloadOf(build('cards')).elements;
        const pictures = cards.map((card) => card.image_url).filter(Boolean);
        assert.ok(cards.some((card) => !('image_url' in card)), 'a card without a picture');
        assert.ok(pictures.every((url) => url.startsWith(`${origin}/images/`)));
        assert.ok(pictures.some((url, i) => pictures.indexOf(url) !== i), 'two cards share a picture');
        assert.deepEqual([...new Set(cards.map((card) => card.buttons.length))].sort(), [1, 2, 3]);
        const buttons = cards.flatMap((card) => card.buttons);
        assert.ok(buttons.filter((b) => typeof b.payload === 'string').length >= 4);
        assert.equal(buttons.filter((b) => typeof b.url === 'string').length, 1);

        const cases = payloadOf(build('pictures')).elements.map((card) => card.image_url ?? null);
        assert.deepEqual(cases, ['good', 'shared', 'slow', 'not-image', 'missing']
            .map((name) => `${origin}/images/${name}.png`).concat([null]));
    });

    it('templates carry their prompt in the payload and the limits of their views', () => {
        const buttons = payloadOf(build('buttons'));
        assert.equal(buttons.template_type, 'button');
        assert.ok(buttons.buttons.some((b) => typeof b.payload === 'string'));
        assert.equal(payloadOf(build('buttons', 'Pick one')).text, 'Pick one');

        const choices = payloadOf(build('choices'));
        assert.equal(choices.template_type, 'confusion');
        assert.equal(choices.buttons.length, 4);
        assert.ok(choices.buttons.some((b) => b.title.length > 60), 'a title long enough to wrap');

        assert.deepEqual(payloadOf(build('email')), { template_type: 'email' });

        const link = payloadOf(build('link'));
        assert.deepEqual(link.buttons.map((b) => b.url), [`${origin}/bridge`]);
        assert.equal(kindOfContent(build('link')), 'link');

        const quick = build('quick').message;
        assert.equal(typeof quick.text, 'string');
        assert.ok(quick.quick_replies.every((reply) => bot.KIND_KEYWORDS.includes(reply.payload)));
        assert.deepEqual(build('text', 'Hi there'), { message: { text: 'Hi there' } });
    });

    it('the checker finds what the app could not show', () => {
        const faulty = build('cards');
        payloadOf(faulty).elements[2].buttons.push({ title: 'x', payload: 'X' }, { title: 'y' });
        faulty.message.text = 'shown as text';
        const problems = contentProblems(faulty);
        assert.equal(problems.length, 3, problems.join('; '));
    });
});

describe('bot', () => {
    const reply = (text, keyword = text) => bot.replyTo({ text, keyword, origin, message: {}, user: null });
    const kinds = (contents) => contents.map(kindOfContent);

    it('answers typed keywords with their kind and keeps greeting and echo', () => {
        assert.deepEqual(reply('hello there'), [{ message: { text: 'Hello! How can I help you today?' } }]);
        for (const [typed, kind] of [['cards', 'cards'], [' Buttons ', 'buttons'], ['CHOICES', 'choices'],
            ['email', 'email'], ['quick', 'quick'], ['link', 'link'], ['pictures', 'cards']]) {
            assert.deepEqual(kinds(reply(typed)), [kind], typed);
        }
        assert.equal(payloadOf(reply('cards')[0]).elements[0].image_url.startsWith(origin), true);
        assert.deepEqual(reply('cards please'), [{ message: { text: 'You said: cards please' } }]);
        assert.deepEqual(kinds(reply('help')), ['quick']);
    });

    it('acknowledges postbacks instead of echoing them', () => {
        assert.deepEqual(reply('Buy the blue mug', 'BUY_BLUE_MUG'),
            [{ message: { text: 'You chose "Buy the blue mug" (BUY_BLUE_MUG).' } }]);
        assert.deepEqual(reply('I filled in the form', 'FORM_DONE'),
            [{ message: { text: 'You chose "I filled in the form" (FORM_DONE).' } }]);
        assert.deepEqual(reply('Talk to a person', 'TALK_TO_AGENT'),
            [{ message: { text: 'An agent will be with you shortly.' } }]);
        // A quick reply whose keyword names a kind asks for that kind.
        assert.deepEqual(kinds(reply('Cards', 'cards')), ['cards']);
        assert.deepEqual(kinds(reply('hello', '')), ['text'], 'no keyword: a typed message');
    });
});
