'use strict';

// The Socket.IO side of the service: one namespace per valid business token,
// the customer's room, history, messages, statuses and e-mail submissions.

const bot = require('./bot');
const wire = require('./wire');

class SocketSessions {
    // site.origin is the service's own origin (known once it listens); the
    // bot's pictures and links point there.
    constructor(io, state, log, site = { origin: '' }) {
        this.io = io;
        this.state = state;
        this.log = log;
        this.site = site;
        this.handlers = {
            'set-user-data': this.onSetUserData,
            'set-room': this.onSetRoom,
            'old-chats': this.onOldChats,
            'chat-msg': this.onChatMessage,
            'update-message-status': this.onUpdateMessageStatus,
            'submit-email': this.onSubmitEmail,
        };
    }

    attach() {
        // Namespaces are made on the first CONNECT for a valid token; any other
        // name is refused with a CONNECT_ERROR.
        const businesses = this.io.of((name, auth, next) => next(null, this.state.isValidToken(name.slice(1))));
        businesses.on('connection', (socket) => {
            socket.onAny((event, ...args) => this.onEvent(socket, event, args.filter((a) => typeof a !== 'function')));
            socket.on('disconnect', () => this.state.emit('presence', socket.nsp.name));
        });
    }

    onEvent(socket, event, items) {
        // "echo" answers at once and is not recorded: benchmarks send it by the thousand.
        if (event === 'echo') {
            socket.emit('echo', ...items);
            return;
        }
        this.state.recordEvent({ namespace: socket.nsp.name, socketId: socket.id, event, items });
        const handler = this.handlers[event];
        if (!handler) return;
        try {
            handler.call(this, socket, items);
        } catch (error) {
            this.log(`"${event}" failed: ${error.stack ?? error}`);
        }
    }

    onSetUserData(socket, [record]) {
        if (wire.isObject(record) && typeof record.userId === 'string') socket.data.customerId = record.userId;
    }

    onSetRoom(socket, [request]) {
        const members = request?.members;
        if (!Array.isArray(members) || members.length === 0 || !members.every((m) => typeof m === 'string' && m)) {
            this.log('"set-room" without a list of member ids ignored');
            return;
        }
        const room = this.state.roomFor(socket.nsp.name, members);
        this.join(socket, room);
        socket.emit('set-room', { roomId: room.roomId });
    }

    onOldChats(socket, [record]) {
        const room = this.roomInNamespace(socket, record?.roomId);
        if (room) this.join(socket, room);
        const mode = this.state.takeOldChatsMode();
        if (mode === 'drop-before') {
            socket.conn.close();
            return;
        }
        socket.emit('old-chats', { result: room ? room.messages : [] });
        // The engine sends what it has buffered before it closes.
        if (mode === 'drop-after') socket.conn.close();
    }

    onChatMessage(socket, [message]) {
        const problem = wire.validateCustomerMessage(message);
        if (problem) {
            this.log(`"chat-msg" ignored: ${problem}`);
            return;
        }
        const room = this.state.rooms.get(message.roomId)
            ?? this.state.adoptRoom(socket.nsp.name, message.roomId, message.msgFrom);
        if (room.namespace !== socket.nsp.name) return;
        this.join(socket, room);
        // A message sent again (after a reconnection, say) is echoed as stored, not stored twice.
        const known = this.state.findCustomerMessage(room, message.msgFrom, message.createdOn);
        const { _id, ...fields } = message;
        const stored = known ?? this.state.addMessage(room, {
            ...fields,
            approvedByAgent: typeof fields.approvedByAgent === 'string' ? fields.approvedByAgent : 'approved',
            messageSentToCustomerStatus: 'seen',
            messageSentToAgentStatus: 'sent',
        });
        this.sendMessage(room, stored);
        if (!known) this.answerLater(room, stored, () => bot.replyTo({
            text: bot.customerText(stored),
            keyword: typeof stored.msgKeyWord === 'string' ? stored.msgKeyWord : '',
            message: stored,
            user: this.state.users.get(stored.msgFrom) ?? null,
            origin: this.site.origin,
        }));
    }

    onUpdateMessageStatus(socket, [request]) {
        const message = this.state.messages.get(request?.messageId);
        if (!message || !wire.MESSAGE_STATUSES.includes(request.messageStatus)) return;
        const room = this.state.rooms.get(message.roomId);
        if (!room || room.namespace !== socket.nsp.name) return;
        const key = request.senderRole === 'customer' ? 'messageSentToCustomerStatus' : 'messageSentToAgentStatus';
        this.changeMessage(message, { [key]: request.messageStatus });
    }

    onSubmitEmail(socket, [submission]) {
        if (!wire.isObject(submission) || typeof submission.text !== 'string') return;
        const customerId = typeof submission.userId === 'string' ? submission.userId : socket.data.customerId;
        const user = this.state.users.get(customerId) ?? null;
        if (user) {
            user.email = submission.text;
            this.state.changed();
        }
        const room = customerId ? this.state.roomOfCustomer(customerId) : null;
        if (room && room.namespace === socket.nsp.name) {
            this.answerLater(room, null, () => bot.replyToEmail({ email: submission.text, submission, user }));
        }
    }

    // Delivery

    join(socket, room) {
        if (socket.rooms.has(room.roomId)) return;
        socket.join(room.roomId);
        this.state.emit('presence', room.namespace);
    }

    // Whether a customer's app is connected in the room now.
    isOnline(room) {
        const namespace = this.io._nsps.get(room.namespace);
        return (namespace?.adapter.rooms.get(room.roomId)?.size ?? 0) > 0;
    }

    roomInNamespace(socket, roomId) {
        const room = typeof roomId === 'string' ? this.state.rooms.get(roomId) : undefined;
        return room && room.namespace === socket.nsp.name ? room : null;
    }

    sendMessage(room, message) {
        // Looked up rather than made with io.of(): making the namespace here would
        // shadow the token namespaces the parent creates on first CONNECT.
        const namespace = this.io._nsps.get(room.namespace);
        if (namespace) namespace.to(room.roomId).emit('chat-msg', { result: message });
    }

    // Sends any event with any items, as the service would not on its own
    // (tests use it for malformed and unexpected events): to one room, or to
    // every customer of every business. Returns how many sockets it reached.
    emitRaw(event, items, room) {
        let sockets = 0;
        for (const [name, namespace] of this.io._nsps) {
            if (!this.state.isValidToken(name.slice(1)) || (room && name !== room.namespace)) continue;
            const target = room ? namespace.to(room.roomId) : namespace;
            sockets += room ? (namespace.adapter.rooms.get(room.roomId)?.size ?? 0) : namespace.sockets.size;
            target.emit(event, ...items);
        }
        return sockets;
    }

    // Applies changes to a stored message; a real change is sent to the room again.
    changeMessage(message, changes) {
        const changed = Object.entries(changes).some(([key, value]) => message[key] !== value);
        if (!changed) return false;
        Object.assign(message, changes);
        this.state.messageChanged(message);
        const room = this.state.rooms.get(message.roomId);
        if (room) this.sendMessage(room, message);
        return true;
    }

    // The bot first marks the customer's message as read, then answers with what
    // buildReplies returns. A reset in between leaves the stale room unanswered.
    answerLater(room, customerMessage, buildReplies) {
        const settings = this.state.config.bot;
        if (!settings.enabled) return;
        setTimeout(() => {
            if (this.state.rooms.get(room.roomId) !== room) return;
            if (customerMessage && settings.markSeen) {
                this.changeMessage(customerMessage, { messageSentToAgentStatus: 'seen' });
            }
            for (const content of buildReplies()) {
                this.sendMessage(room, this.state.addMessage(room, this.state.botMessage(room, content)));
            }
        }, settings.delayMs);
    }

    // Test helpers

    dropConnections(mode) {
        for (const engineSocket of Object.values(this.io.engine.clients)) {
            if (mode === 'reset') engineSocket.transport?.socket?.terminate?.();
            else if (mode === 'kick') this.kick(engineSocket.id);
            else if (mode === 'silent') this.silence(engineSocket);
            else engineSocket.close();
        }
    }

    // The connection stays open, but from now on nothing passes either way,
    // heartbeats included: what the client sends is never read, and neither
    // side closes it. So looks a route that died without a word.
    silence(engineSocket) {
        clearTimeout(engineSocket.pingIntervalTimer);
        clearTimeout(engineSocket.pingTimeoutTimer);
        engineSocket.schedulePing = () => {};
        engineSocket.resetPingTimeout = () => {};
        engineSocket.sendPacket = () => {};
        engineSocket.transport?.socket?._socket?.pause();
        // Out of the service's sight, as a dead connection is once noticed.
        delete this.io.engine.clients[engineSocket.id];
    }

    kick(engineId) {
        for (const namespace of this.io._nsps.values()) {
            for (const socket of namespace.sockets.values()) {
                if (socket.conn.id === engineId) socket.disconnect(true);
            }
        }
    }
}

module.exports = { SocketSessions };
