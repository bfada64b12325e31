'use strict';

// Checks a message content ("msg") the way the app reads it: which keys it
// needs, of which types, and how many buttons each template may show. Returns
// the list of problems (empty when the content is sound).

const LIMITS = { generic: 3, button: 3, confusion: 4 };

const isObject = (value) => value !== null && typeof value === 'object' && !Array.isArray(value);

function absoluteHttpUrl(text) {
    try {
        return ['http:', 'https:'].includes(new URL(text).protocol);
    } catch {
        return false;
    }
}

function checkButton(button, where, problems) {
    if (!isObject(button)) return problems.push(`${where} is not an object`);
    if (typeof button.title !== 'string' || button.title === '') problems.push(`${where}.title is not a text`);
    if (typeof button.payload === 'string') return undefined;
    if (typeof button.url !== 'string' || !absoluteHttpUrl(button.url)) problems.push(`${where} has neither a payload nor an absolute url`);
    return undefined;
}

function checkButtons(buttons, limit, where, problems) {
    if (!Array.isArray(buttons)) return problems.push(`${where} is not an array`);
    if (buttons.length < 1 || buttons.length > limit) problems.push(`${where} holds ${buttons.length} buttons, not 1 to ${limit}`);
    buttons.forEach((button, i) => checkButton(button, `${where}[${i}]`, problems));
    return undefined;
}

function checkCard(card, where, problems) {
    if (!isObject(card)) return problems.push(`${where} is not an object`);
    if (typeof card.title !== 'string' || card.title === '') problems.push(`${where}.title is not a text`);
    if ('subtitle' in card && typeof card.subtitle !== 'string') problems.push(`${where}.subtitle is not a text`);
    if ('image_url' in card && !(typeof card.image_url === 'string' && absoluteHttpUrl(card.image_url))) {
        problems.push(`${where}.image_url is not an absolute URL`);
    }
    if ('buttons' in card) checkButtons(card.buttons, LIMITS.generic, `${where}.buttons`, problems);
    return undefined;
}

function checkTemplate(message, problems) {
    const { attachment } = message;
    if (!isObject(attachment) || attachment.type !== 'template') return problems.push('attachment.type is not "template"');
    const { payload } = attachment;
    if (!isObject(payload)) return problems.push('attachment.payload is not an object');
    if ('text' in message) problems.push('a template carries "message"."text" and would show as plain text');
    switch (payload.template_type) {
    case 'generic':
        if (!Array.isArray(payload.elements) || payload.elements.length === 0) return problems.push('"elements" is not a non-empty array');
        payload.elements.forEach((card, i) => checkCard(card, `elements[${i}]`, problems));
        break;
    case 'button':
    case 'confusion':
        if (typeof payload.text !== 'string' || payload.text === '') problems.push('payload.text is not a text');
        checkButtons(payload.buttons, LIMITS[payload.template_type], 'payload.buttons', problems);
        break;
    case 'email':
        break;
    default:
        problems.push(`unknown template_type ${JSON.stringify(payload.template_type)}`);
    }
    return undefined;
}

function contentProblems(msg) {
    const problems = [];
    if (!isObject(msg) || !isObject(msg.message)) return ['"msg"."message" is not an object'];
    const { message } = msg;
    if ('attachment' in message) {
        checkTemplate(message, problems);
        return problems;
    }
    if (typeof message.text !== 'string') problems.push('"text" is not a text');
    if ('quick_replies' in message) {
        if (!Array.isArray(message.quick_replies) || message.quick_replies.length === 0) {
            problems.push('"quick_replies" is not a non-empty array');
        } else {
            message.quick_replies.forEach((reply, i) => {
                if (!isObject(reply) || typeof reply.title !== 'string' || typeof reply.payload !== 'string') {
                    problems.push(`quick_replies[${i}] needs a text "title" and "payload"`);
                }
            });
        }
    }
    return problems;
}

// The kind a content shows as, by the names the service's endpoints use.
function kindOfContent(msg) {
    const message = msg?.message ?? {};
    const type = message.attachment?.payload?.template_type;
    if (type === 'generic') return 'cards';
    if (type === 'button') return message.attachment.payload.buttons.every((b) => typeof b.payload !== 'string') ? 'link' : 'buttons';
    if (type === 'confusion') return 'choices';
    if (type === 'email') return 'email';
    if (Array.isArray(message.quick_replies)) return 'quick';
    return 'text';
}

module.exports = { contentProblems, kindOfContent };
