'use strict';

// The bot that answers customers. Each rule looks at what the customer sent
// and, when it matches, builds the contents ("msg" envelopes) of the bot's
// replies; the first matching rule answers. New kinds of reply are new rules.

const wire = require('./wire');

// context: { text, keyword, message (the stored customer message), user }
const messageRules = [
    {
        name: 'greeting',
        matches: ({ text }) => /^\s*(hi|hello|hey)\b/i.test(text),
        reply: () => [wire.textContent('Hello! How can I help you today?')],
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

module.exports = { replyTo, replyToEmail, customerText, messageRules };
