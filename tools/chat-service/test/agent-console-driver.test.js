'use strict';

// The console driver's line protocol, as a program that drives the agent side
// uses it: commands in, one answer each, effects on the customer's side.

const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const readline = require('node:readline');
const { after, before, it } = require('node:test');

const { Service } = require('./support/service');
const { kindOfContent } = require('./support/payloads');

const DRIVER = path.join(__dirname, 'agent-console-driver.js');

let service;
before(async () => {
    service = await Service.start({ tokens: ['kesvor-demo'] });
    await service.configure({ bot: { enabled: false } });
});
after(() => service.stop());

class Driver {
    constructor(args) {
        this.child = spawn(process.execPath, [DRIVER, ...args], { stdio: ['pipe', 'pipe', 'inherit'] });
        this.answers = [];
        this.waiting = [];
        readline.createInterface({ input: this.child.stdout }).on('line', (line) => {
            const answer = JSON.parse(line);
            const waiter = this.waiting.shift();
            if (waiter) waiter(answer);
            else this.answers.push(answer);
        });
        this.exited = new Promise((resolve) => this.child.once('exit', resolve));
    }

    next() {
        if (this.answers.length > 0) return Promise.resolve(this.answers.shift());
        return new Promise((resolve) => this.waiting.push(resolve));
    }

    ask(command) {
        this.child.stdin.write(`${typeof command === 'string' ? command : JSON.stringify(command)}\n`);
        return this.next();
    }
}

it('drives the console line by line', async () => {
    const customer = await service.customer('eve');
    const driver = new Driver(['--service', service.origin, '--agent', 'agent-3']);
    const shot = path.join(os.tmpdir(), `kesvor-driver-${process.pid}.png`);
    try {
        assert.deepEqual(await driver.next(), { ready: true, url: `${service.origin}/agent?agent=agent-3` });
        const asked = customer.send('Is anyone there?');

        assert.deepEqual(await driver.ask({ cmd: 'select', userId: 'eve', id: 1 }), { ok: true, cmd: 'select', id: 1, roomId: customer.roomId });
        const waited = await driver.ask({ cmd: 'waitFor', text: 'Is anyone there?', shownAs: 'customer' });
        assert.equal(waited.message.agentStatus, 'sent');

        const answered = await driver.ask({ cmd: 'answer', text: 'Yes, Eve. How can I help?' });
        assert.equal(answered.ok, true);
        const answer = await customer.waitForMessage((m) => m._id === answered.message.messageId);
        assert.deepEqual([answer.msgFrom, answer.senderRole, answer.msg.message.text], ['agent-3', 'agent', 'Yes, Eve. How can I help?']);

        const sent = await driver.ask({ cmd: 'send', kind: 'cards' });
        assert.equal(sent.message.kind, 'cards');
        assert.equal(kindOfContent((await customer.waitForMessage((m) => m._id === sent.message.messageId)).msg), 'cards');

        assert.equal((await driver.ask({ cmd: 'markSeen' })).status, '1 message marked seen.');
        await customer.waitForMessage((m) => m.createdOn === asked.createdOn && m.messageSentToAgentStatus === 'seen');

        const { messages } = await driver.ask({ cmd: 'messages' });
        assert.deepEqual(messages.map((m) => [m.shownAs, m.kind]), [['customer', 'text'], ['agent', 'text'], ['agent', 'cards']]);
        assert.equal((await driver.ask({ cmd: 'rows', shownAs: 'agent' })).count, 2);
        assert.equal((await driver.ask({ cmd: 'screenshot', path: shot })).path, shot);
        assert.ok(fs.statSync(shot).size > 10000);

        assert.equal((await driver.ask({ cmd: 'send', kind: 'nothing' })).ok, false);
        assert.equal((await driver.ask({ cmd: 'waitFor', text: 'never', timeoutMs: 50 })).ok, false);
        assert.deepEqual(await driver.ask('{oops'), { ok: false, error: 'not JSON: {oops' });
        assert.equal((await driver.ask({ cmd: 'fly' })).error, 'unknown command "fly"');
        assert.deepEqual(await driver.ask({ cmd: 'quit' }), { ok: true, cmd: 'quit' });
        assert.equal(await driver.exited, 0);
    } finally {
        customer.close();
        driver.child.kill();
        fs.rmSync(shot, { force: true });
    }
});

it('says when the console cannot be opened', async () => {
    const driver = new Driver(['--service', service.origin, '--token', 'unknown-shop']);
    assert.deepEqual(await driver.next(), { ready: false, error: 'Cannot connect: unknown business token "unknown-shop"' });
    assert.equal(await driver.exited, 1);
});
