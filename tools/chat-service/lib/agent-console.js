'use strict';

// The agent console's side of the service: a Socket.IO namespace of its own
// where a browser page lists a business's rooms, follows one conversation,
// answers as an agent, sends rich messages and marks the customer's messages
// seen. Everything an agent does reaches the customer's room exactly as the
// service's other messages do ("chat-msg" {"result": wire message}).

const templates = require('./templates');
const wire = require('./wire');

const NAMESPACE = '/agent-console';
const DEFAULT_AGENT_ID = 'agent-1';
const AGENT_ID_PATTERN = /^[A-Za-z0-9._-]{1,64}$/;
const TEXT_LIMIT = 10000;

class ConsoleError extends Error {}

const businessChannel = (namespace) => `business:${namespace}`;
const roomChannel = (roomId) => `room:${roomId}`;

// Oldest first by "createdOn"; messages of the same millisecond keep the order
// in which the service stored them.
function inCreatedOnOrder(messages) {
    return messages
        .map((message, index) => ({ message, index, at: wire.parseCreatedOn(message.createdOn) ?? 0 }))
        .sort((a, b) => a.at - b.at || a.index - b.index)
        .map(({ message }) => message);
}

class AgentConsole {
    constructor(io, state, sessions, site, log) {
        this.io = io;
        this.state = state;
        this.sessions = sessions;
        this.site = site;
        this.log = log;
        this.roomsPushQueued = false;
        this.handlers = {
            rooms: this.onRooms,
            'open-room': this.onOpenRoom,
            'send-text': this.onSendText,
            'send-template': this.onSendTemplate,
            'mark-seen': this.onMarkSeen,
            'set-bot': this.onSetBot,
        };
    }

    attach() {
        this.namespace = this.io.of(NAMESPACE);
        this.namespace.use((socket, next) => this.admit(socket, next));
        this.namespace.on('connection', (socket) => {
            socket.join(businessChannel(socket.data.business));
            for (const [event, handler] of Object.entries(this.handlers)) {
                socket.on(event, (...args) => this.answer(socket, event, handler, args));
            }
        });
        this.state.on('message', (room, message) => {
            this.namespace.to(roomChannel(room.roomId)).emit('message', { roomId: room.roomId, message });
        });
        this.state.on('change', () => this.pushRoomsSoon());
        this.state.on('presence', () => this.pushRoomsSoon());
    }

    // The handshake's auth may name the business ("token") and the agent
    // ("agentId"); without them the console serves the service's first token.
    admit(socket, next) {
        const auth = wire.isObject(socket.handshake.auth) ? socket.handshake.auth : {};
        const token = typeof auth.token === 'string' && auth.token ? auth.token : this.state.defaultToken;
        if (!this.state.isValidToken(token)) return next(new Error(`unknown business token "${token}"`));
        const agentId = auth.agentId === undefined || auth.agentId === '' ? DEFAULT_AGENT_ID : auth.agentId;
        if (typeof agentId !== 'string' || !AGENT_ID_PATTERN.test(agentId)) {
            return next(new Error('an agent id is 1 to 64 letters, digits, ".", "_" or "-"'));
        }
        Object.assign(socket.data, { token, business: `/${token}`, agentId });
        return next();
    }

    answer(socket, event, handler, args) {
        const ack = typeof args.at(-1) === 'function' ? args.pop() : () => {};
        try {
            ack(handler.call(this, socket, wire.isObject(args[0]) ? args[0] : {}));
        } catch (error) {
            if (!(error instanceof ConsoleError)) this.log(`agent console "${event}" failed: ${error.stack ?? error}`);
            ack({ error: error.message });
        }
    }

    // Handlers: each returns the acknowledgement's contents.

    onRooms(socket) {
        return this.summary(socket.data);
    }

    onOpenRoom(socket, { roomId }) {
        const room = this.roomOf(socket, roomId);
        for (const channel of socket.rooms) {
            if (channel.startsWith('room:')) socket.leave(channel);
        }
        socket.join(roomChannel(room.roomId));
        return { room: this.roomSummary(room), messages: inCreatedOnOrder(room.messages) };
    }

    onSendText(socket, { roomId, text }) {
        const room = this.roomOf(socket, roomId);
        if (typeof text !== 'string' || text.trim() === '') throw new ConsoleError('"text" must be a non-empty string');
        if (text.length > TEXT_LIMIT) throw new ConsoleError(`"text" is longer than ${TEXT_LIMIT} characters`);
        return { message: this.send(socket, room, wire.textContent(text)) };
    }

    onSendTemplate(socket, { roomId, kind, text }) {
        const room = this.roomOf(socket, roomId);
        if (!templates.KINDS.includes(kind)) throw new ConsoleError(`"kind" must be one of ${templates.KINDS.join(', ')}`);
        const prompt = typeof text === 'string' && text.trim() !== '' ? text : undefined;
        return { message: this.send(socket, room, templates.build(kind, { origin: this.site.origin, text: prompt })) };
    }

    // Marks every message of the customer seen by the agent; each change goes
    // to the room as "chat-msg".
    onMarkSeen(socket, { roomId }) {
        const room = this.roomOf(socket, roomId);
        const customerId = this.state.customerOf(room);
        const changed = [];
        for (const message of inCreatedOnOrder(room.messages)) {
            if (message.msgFrom !== customerId) continue;
            if (this.sessions.changeMessage(message, { messageSentToAgentStatus: 'seen' })) changed.push(message._id);
        }
        return { changed };
    }

    onSetBot(socket, { enabled }) {
        if (typeof enabled !== 'boolean') throw new ConsoleError('"enabled" must be true or false');
        this.state.configure({ bot: { enabled } });
        this.pushRoomsSoon();
        return { bot: this.state.config.bot };
    }

    // Helpers

    roomOf(socket, roomId) {
        const room = typeof roomId === 'string' ? this.state.rooms.get(roomId) : undefined;
        if (!room || room.namespace !== socket.data.business) throw new ConsoleError(`no room "${roomId}" in this business`);
        return room;
    }

    send(socket, room, content) {
        const message = this.state.addMessage(room, this.state.agentMessage(room, socket.data.agentId, content));
        this.sessions.sendMessage(room, message);
        return message;
    }

    roomSummary(room) {
        const customerId = this.state.customerOf(room);
        const user = this.state.users.get(customerId);
        const ordered = inCreatedOnOrder(room.messages);
        return {
            roomId: room.roomId,
            customerId,
            username: user?.username ?? customerId,
            email: typeof user?.email === 'string' && user.email ? user.email : null,
            online: this.sessions.isOnline(room),
            messageCount: room.messages.length,
            unseenCount: room.messages.filter((m) => m.msgFrom === customerId && m.messageSentToAgentStatus !== 'seen').length,
            lastMessage: ordered.at(-1) ?? null,
        };
    }

    // The business's rooms, the most recently active first.
    summary({ token, business, agentId }) {
        const activity = (summary) => wire.parseCreatedOn(summary.lastMessage?.createdOn) ?? 0;
        const rooms = [...this.state.rooms.values()]
            .filter((room) => room.namespace === business)
            .map((room) => this.roomSummary(room))
            .sort((a, b) => activity(b) - activity(a));
        return { token, agentId, bot: this.state.config.bot, rooms };
    }

    // Rooms lists are sent once per turn of the event loop, whatever changed,
    // and only to businesses that have a console open.
    pushRoomsSoon() {
        if (this.roomsPushQueued) return;
        this.roomsPushQueued = true;
        setImmediate(() => {
            this.roomsPushQueued = false;
            for (const socket of this.namespace.sockets.values()) {
                socket.emit('rooms', this.summary(socket.data));
            }
        });
    }
}

module.exports = { AgentConsole, NAMESPACE, DEFAULT_AGENT_ID };
