'use strict';

// Builders of message contents ("msg" envelopes) for every kind the service
// sends: plain text, card carousels, button and confusion templates, the
// e-mail form, quick replies and a link to the bridge page. The bot, the test
// endpoints and the agent console all build their messages here.
//
// A template message carries no "message"."text": a client shows a message
// with a text as a plain bubble. The prompt of a button or confusion template
// travels inside its payload.

const { pictureUrl, PICTURES } = require('./images');

const postback = (title, payload) => ({ title, payload });
const link = (title, url) => ({ title, url });

function template(payload) {
    return { message: { attachment: { type: 'template', payload } } };
}

function bridgeUrl(origin, query = {}) {
    const search = new URLSearchParams(query).toString();
    return `${origin}/bridge${search ? `?${search}` : ''}`;
}

function text(origin, prompt) {
    return { message: { text: prompt ?? 'Hello from the service' } };
}

// Cards with and without pictures, with one, two and three buttons; two
// cards share a picture; one button opens a page.
function cards(origin) {
    return template({
        template_type: 'generic',
        elements: [
            {
                title: 'Blue mug',
                subtitle: 'Stoneware, 350 ml',
                image_url: pictureUrl(origin, PICTURES.good),
                buttons: [postback('Buy the blue mug', 'BUY_BLUE_MUG')],
            },
            {
                title: 'Green teapot',
                subtitle: 'Cast iron, 1 litre',
                image_url: pictureUrl(origin, PICTURES.shared),
                buttons: [postback('Buy the teapot', 'BUY_TEAPOT'), postback('Tell me more', 'MORE_TEAPOT')],
            },
            {
                title: 'Gift card',
                subtitle: 'Any amount from 10 to 500, delivered by e-mail on the day you choose',
                buttons: [
                    postback('Buy a gift card', 'BUY_GIFT_CARD'),
                    postback('Send it as a present', 'GIFT_CARD_PRESENT'),
                    link('Read the terms', bridgeUrl(origin, { text: 'I have read the terms', keyword: 'TERMS_READ' })),
                ],
            },
            {
                title: 'Green tea sampler',
                image_url: pictureUrl(origin, PICTURES.shared),
                buttons: [postback('Add the sampler', 'ADD_SAMPLER')],
            },
        ],
    });
}

// One card per kind of picture a client must handle, in this order: good,
// shared, slow, not a picture, missing, none.
function pictures(origin) {
    const card = (title, name, payload) => ({
        title,
        ...(name ? { image_url: pictureUrl(origin, name) } : {}),
        buttons: [postback(`Pick ${title.toLowerCase()}`, payload)],
    });
    return template({
        template_type: 'generic',
        elements: [
            card('Good picture', PICTURES.good, 'PICK_GOOD'),
            card('Shared picture', PICTURES.shared, 'PICK_SHARED'),
            card('Slow picture', PICTURES.slow, 'PICK_SLOW'),
            card('Not a picture', PICTURES.notImage, 'PICK_NOT_IMAGE'),
            card('Missing picture', PICTURES.missing, 'PICK_MISSING'),
            card('No picture', null, 'PICK_NONE'),
        ],
    });
}

function buttons(origin, prompt) {
    return template({
        template_type: 'button',
        text: prompt ?? 'What would you like to do?',
        buttons: [
            postback('Track my order', 'TRACK_ORDER'),
            postback('Talk to a person', 'TALK_TO_AGENT'),
            link('Open the help page', bridgeUrl(origin, { text: 'The help page answered my question', keyword: 'HELP_PAGE' })),
        ],
    });
}

// Some titles are long enough to wrap over several lines.
function choices(origin, prompt) {
    return template({
        template_type: 'confusion',
        text: prompt ?? 'Sorry, I am not sure what you mean. Did you mean one of these?',
        buttons: [
            postback('Where is my order?', 'WHERE_IS_ORDER'),
            postback('I would like to change the delivery address of an order I placed yesterday', 'CHANGE_ADDRESS'),
            postback('Cancel my subscription and refund the months of the yearly plan I have not used yet', 'CANCEL_SUBSCRIPTION'),
            postback('Something else', 'SOMETHING_ELSE'),
        ],
    });
}

function email() {
    return template({ template_type: 'email' });
}

// Each reply's payload is the keyword of another kind, so tapping one asks
// the bot for that kind.
function quick(origin, prompt) {
    return {
        message: {
            text: prompt ?? 'What would you like to see?',
            quick_replies: [
                { title: 'Cards', payload: 'cards' },
                { title: 'Buttons', payload: 'buttons' },
                { title: 'Choices', payload: 'choices' },
                { title: 'E-mail form', payload: 'email' },
                { title: 'A link', payload: 'link' },
            ],
        },
    };
}

function linkToBridge(origin, prompt) {
    return template({
        template_type: 'button',
        text: prompt ?? 'Please fill in this short form.',
        buttons: [link('Open the form', bridgeUrl(origin))],
    });
}

const BUILDERS = {
    text,
    cards,
    pictures,
    buttons,
    choices,
    email,
    quick,
    link: linkToBridge,
};

const KINDS = Object.keys(BUILDERS);

// The content of a message of kind; prompt replaces the default text where the
// kind has one. Throws for an unknown kind.
function build(kind, { origin, text: prompt } = {}) {
    const builder = BUILDERS[kind];
    if (!builder) throw new Error(`unknown kind "${kind}"; one of ${KINDS.join(', ')}`);
    return builder(origin ?? '', prompt);
}

module.exports = { build, KINDS, bridgeUrl };
