'use strict';

// The bot that answers customers. Each rule looks at what the customer sent
// and, when it matches, builds the contents ("msg" envelopes) of the bot's
// replies; the first matching rule answers. New kinds of reply are new rules.

const wire = require('./wire');
const templates = require('./templates');

// Words a customer types (or a button sends as its keyword) to see each kind.
const KIND_KEYWORDS = ['cards', 'pictures', 'buttons', 'choices', 'email', 'quick', 'link'];

const POSTBACK_ANSWERS = {
    TALK_TO_AGENT: 'An agent will be with you shortly.',
    TRACK_ORDER: 'Your order left our warehouse this morning.',
    SOMETHING_ELSE: 'Please tell me in your own words.',
};

function kindOf(word) {
    const candidate = typeof word === 'string' ? word.trim().toLowerCase() : '';
    return KIND_KEYWORDS.includes(candidate) ? candidate : null;
}

// A typed message carries its own text as its keyword; a button, a quick reply
// or a page sends its title with a different keyword.
function isPostback({ text, keyword }) {
    return keyword !== '' && keyword !== text;
}

function answerPostback({ text, keyword }) {
    return POSTBACK_ANSWERS[keyword] ?? `You chose "${text}" (${keyword}).`;
}

// context: { text, keyword, message (the stored customer message), user, origin }
const messageRules = [
    {
        name: 'postback for a kind',
        matches: (context) => isPostback(context) && kindOf(context.keyword) !== null,
        reply: ({ keyword, origin }) => [templates.build(kindOf(keyword), { origin })],
    },
    {
        name: 'postback',
        matches: isPostback,
        reply: (context) => [wire.textContent(answerPostback(context))],
    },
    {
        name: 'greeting',
        matches: ({ text }) => /^\s*(hi|hello|hey)\b/i.test(text),
        reply: () => [wire.textContent('Hello! How can I help you today?')],
    },
    {
        name: 'help',
        matches: ({ text }) => /^\s*help\s*$/i.test(text),
        reply: ({ origin }) => [templates.build('quick', {
            origin,
            text: `Type one of these words to see what I can send: ${KIND_KEYWORDS.join(', ')}.`,
        })],
    },
    {
        name: 'kind',
        matches: ({ text }) => kindOf(text) !== null,
        reply: ({ text, origin }) => [templates.build(kindOf(text), { origin })],
    },
    {
        name: 'echo',
        matches: () => true,
        reply: ({ text }) => [wire.textContent(`You said: ${text}`)],
    },
];

function replyTo(context) {
    const rule = messageRules.find((candidate) => candidate.matches(context));
    return rule ? rule.reply(context) : [];
}

// context: { email, submission (the "submit-email" item), user }
function replyToEmail({ email }) {
    return [wire.textContent(`Thank you! We will write to ${email}.`)];
}

function customerText(message) {
    const text = message?.msg?.message?.text;
    return typeof text === 'string' ? text : '';
}

module.exports = { replyTo, replyToEmail, customerText, messageRules, KIND_KEYWORDS };
