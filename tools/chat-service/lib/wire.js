'use strict';

// Wire messages as the SDK reads them: string keys, "createdOn" as
// yyyy-MM-dd'T'HH:mm:ss.SSSZ in UTC, both delivery status keys.

const crypto = require('node:crypto');

const MESSAGE_STATUSES = ['seen', 'sending', 'sent', 'unsent'];
const APPROVALS = ['approved', 'unapproved', 'rejected'];
const CREATED_ON_PATTERN = /^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}[+-]\d{4}$/;

function formatCreatedOn(date) {
    // toISOString() is always UTC with milliseconds; only the zone suffix differs.
    return date.toISOString().replace(/Z$/, '+0000');
}

function parseCreatedOn(text) {
    if (typeof text !== 'string' || !CREATED_ON_PATTERN.test(text)) return null;
    const iso = `${text.slice(0, 23)}${text.slice(23, 26)}:${text.slice(26)}`;
    const millis = Date.parse(iso);
    return Number.isNaN(millis) ? null : millis;
}

// 24 hexadecimal digits, the shape of the service's database ids.
let idCounter = 0;
function newId() {
    idCounter = (idCounter + 1) % 0x1000000;
    const time = Math.floor(Date.now() / 1000).toString(16).padStart(8, '0');
    return time + crypto.randomBytes(5).toString('hex') + idCounter.toString(16).padStart(6, '0');
}

function textContent(text) {
    return { message: { text } };
}

function isObject(value) {
    return value !== null && typeof value === 'object' && !Array.isArray(value);
}

// The fields a customer's "chat-msg" must carry for the service to store it.
function validateCustomerMessage(message) {
    if (!isObject(message)) return 'the message is not an object';
    for (const key of ['msgFrom', 'msgTo', 'roomId', 'senderIdentity', 'senderRole']) {
        if (typeof message[key] !== 'string' || message[key] === '') return `"${key}" must be a non-empty string`;
    }
    if (!isObject(message.msg)) return '"msg" must be an object';
    if (parseCreatedOn(message.createdOn) === null) return '"createdOn" must be yyyy-MM-ddTHH:mm:ss.SSSZ';
    return null;
}

module.exports = {
    MESSAGE_STATUSES,
    APPROVALS,
    formatCreatedOn,
    parseCreatedOn,
    newId,
    textContent,
    isObject,
    validateCustomerMessage,
};
