// The agent console: lists a business's conversations, follows one live and
// answers as an agent, over the service's "/agent-console" namespace.
// Query parameters: token (the business, default: the service's first),
// agent (the agent's id, default "agent-1"), room (the room to open).
(function () {
  'use strict';

  const params = new URLSearchParams(window.location.search);
  const auth = {};
  if (params.get('token')) auth.token = params.get('token');
  if (params.get('agent')) auth.agentId = params.get('agent');

  const view = {
    rooms: [],
    roomId: params.get('room') || null,
    messages: [],
    // _id -> { element, content }: rows are updated in place, so pictures
    // are not fetched again when a status changes.
    rows: new Map(),
    connected: false,
  };

  const byId = (id) => document.getElementById(id);
  const socket = window.io('/agent-console', { auth });

  // Elements

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  function setStatus(state, text) {
    const status = byId('console-status');
    status.dataset.state = state;
    status.textContent = text;
  }

  function setConnection(state, text) {
    const status = byId('connection-status');
    status.dataset.state = state;
    status.textContent = text;
    view.connected = state === 'connected';
    updateControls();
  }

  function updateControls() {
    const usable = view.connected && view.roomId !== null;
    for (const control of document.querySelectorAll('#rich-buttons button, #answer-text, #answer-send, #mark-seen')) {
      control.disabled = !usable;
    }
    byId('bot-enabled').disabled = !view.connected;
  }

  // Message contents

  function createdOnMillis(text) {
    // yyyy-MM-ddTHH:mm:ss.SSS+hhmm: the zone needs a colon for Date.parse.
    const match = /^(.{23})([+-]\d{2})(\d{2})$/.exec(text || '');
    const millis = match ? Date.parse(match[1] + match[2] + ':' + match[3]) : NaN;
    return Number.isNaN(millis) ? 0 : millis;
  }

  function contentOf(message) {
    const msg = message.msg && typeof message.msg === 'object' ? message.msg : {};
    return msg.message && typeof msg.message === 'object' ? msg.message : {};
  }

  function kindOf(message) {
    const content = contentOf(message);
    const payload = content.attachment && content.attachment.payload;
    if (payload && typeof payload.template_type === 'string') {
      return { generic: 'cards', button: 'buttons', confusion: 'choices', email: 'email' }[payload.template_type] || payload.template_type;
    }
    if (Array.isArray(content.quick_replies)) return 'quick';
    return typeof content.text === 'string' ? 'text' : 'unknown';
  }

  function describe(message) {
    if (!message) return '';
    const content = contentOf(message);
    const payload = (content.attachment && content.attachment.payload) || {};
    switch (kindOf(message)) {
    case 'text': return content.text;
    case 'quick': return content.text + ' [quick replies]';
    case 'cards': return '[card carousel, ' + (Array.isArray(payload.elements) ? payload.elements.length : 0) + ' cards]';
    case 'buttons': return '[buttons] ' + (payload.text || '');
    case 'choices': return '[choices] ' + (payload.text || '');
    case 'email': return '[e-mail form]';
    default: return '[message]';
    }
  }

  function buttonChip(button) {
    if (!button || typeof button.title !== 'string') return element('li', 'chip', '?');
    const item = element('li');
    if (typeof button.payload === 'string') {
      const chip = element('span', 'chip postback', button.title);
      chip.title = 'keyword: ' + button.payload;
      item.append(chip);
    } else {
      const chip = element('a', 'chip link', button.title);
      chip.href = button.url;
      chip.target = '_blank';
      chip.rel = 'noopener';
      item.append(chip);
    }
    return item;
  }

  function buttonList(buttons, className) {
    const list = element('ul', className);
    for (const button of Array.isArray(buttons) ? buttons : []) list.append(buttonChip(button));
    return list;
  }

  function renderCard(card) {
    const box = element('div', 'card');
    if (typeof card.image_url === 'string') {
      const picture = element('img');
      picture.src = card.image_url;
      picture.alt = card.title || '';
      picture.loading = 'lazy';
      box.append(picture);
    }
    const text = element('div', 'card-text');
    text.append(element('div', 'title', card.title || ''));
    if (typeof card.subtitle === 'string') text.append(element('div', 'subtitle', card.subtitle));
    if (Array.isArray(card.buttons)) text.append(buttonList(card.buttons, 'chips'));
    box.append(text);
    return box;
  }

  function renderContent(message) {
    const bubble = element('div', 'bubble');
    const content = contentOf(message);
    const payload = (content.attachment && content.attachment.payload) || {};
    const kind = kindOf(message);
    const labels = { cards: 'Card carousel', buttons: 'Button template', choices: 'Confusion template', email: 'E-mail form', quick: 'Quick replies' };
    if (labels[kind]) bubble.append(element('div', 'kind', labels[kind]));
    switch (kind) {
    case 'text':
      bubble.append(element('p', '', content.text));
      break;
    case 'quick':
      bubble.append(element('p', '', content.text));
      bubble.append(buttonList(content.quick_replies, 'chips'));
      break;
    case 'cards': {
      const row = element('div', 'cards');
      for (const card of Array.isArray(payload.elements) ? payload.elements : []) row.append(renderCard(card || {}));
      bubble.append(row);
      break;
    }
    case 'buttons':
    case 'choices':
      bubble.append(element('p', '', payload.text || ''));
      bubble.append(buttonList(payload.buttons, kind === 'choices' ? 'choices' : 'chips'));
      break;
    case 'email': {
      bubble.append(element('p', '', 'Enter your email here:'));
      const form = element('div', 'email-form');
      form.append(element('span', 'field', 'customer@example.com'), element('span', 'chip', 'Submit'));
      bubble.append(form);
      break;
    }
    default:
      bubble.append(element('pre', 'raw', JSON.stringify(message.msg, null, 2)));
    }
    return bubble;
  }

  // Conversation rows

  function roleOf(message) {
    const room = currentRoom();
    if (room && message.msgFrom === room.customerId) return 'customer';
    return message.senderRole === 'agent' ? 'agent' : 'bot';
  }

  function statusBadge(side, value) {
    const badge = element('span', 'status', 'to ' + side + ': ' + (value || '—'));
    badge.dataset.for = side;
    badge.dataset.value = value || '';
    return badge;
  }

  function buildRow(message) {
    const row = element('li', 'message');
    const meta = element('div', 'meta');
    meta.append(element('span', 'sender'), element('time'));
    row.append(meta, renderContent(message), element('div', 'statuses'));
    return row;
  }

  function fillRow(row, message) {
    const role = roleOf(message);
    row.className = 'message from-' + role;
    row.dataset.messageId = message._id;
    row.dataset.senderRole = message.senderRole || '';
    row.dataset.kind = kindOf(message);
    row.dataset.agentStatus = message.messageSentToAgentStatus || '';
    row.dataset.customerStatus = message.messageSentToCustomerStatus || '';
    row.dataset.text = describe(message);
    const who = { customer: 'Customer', agent: 'Agent', bot: 'Bot' }[role];
    row.querySelector('.sender').textContent = who + ' · ' + message.msgFrom;
    const time = row.querySelector('time');
    const at = new Date(createdOnMillis(message.createdOn));
    time.dateTime = at.toISOString();
    time.textContent = at.toLocaleTimeString();
    time.title = message.createdOn;
    const statuses = row.querySelector('.statuses');
    statuses.replaceChildren(statusBadge('agent', message.messageSentToAgentStatus),
      statusBadge('customer', message.messageSentToCustomerStatus));
    if (message.approvedByAgent !== 'approved') statuses.append(element('span', 'approval', String(message.approvedByAgent)));
  }

  function renderConversation() {
    const list = byId('conversation');
    const nearBottom = list.scrollHeight - list.scrollTop - list.clientHeight < 80;
    const wanted = [];
    for (const message of view.messages) {
      const content = JSON.stringify(message.msg);
      let row = view.rows.get(message._id);
      if (!row || row.content !== content) {
        row = { element: buildRow(message), content };
        view.rows.set(message._id, row);
      }
      fillRow(row.element, message);
      wanted.push(row.element);
    }
    const kept = new Set(wanted);
    for (const [id, row] of view.rows) {
      if (!kept.has(row.element)) view.rows.delete(id);
    }
    // Moving existing rows keeps their pictures; only new rows load any.
    wanted.forEach((row, index) => {
      if (list.children[index] !== row) list.insertBefore(row, list.children[index] || null);
    });
    while (list.children.length > wanted.length) list.lastElementChild.remove();
    list.dataset.count = String(wanted.length);
    if (nearBottom) list.scrollTop = list.scrollHeight;
  }

  function upsertMessage(message) {
    const index = view.messages.findIndex((m) => m._id === message._id);
    if (index >= 0) view.messages[index] = message;
    else view.messages.push(message);
    // A stable sort keeps messages of the same millisecond in arrival order.
    view.messages.sort((a, b) => createdOnMillis(a.createdOn) - createdOnMillis(b.createdOn));
    renderConversation();
  }

  // Rooms

  function currentRoom() {
    return view.rooms.find((room) => room.roomId === view.roomId) || null;
  }

  function renderRoomHeader() {
    const room = currentRoom();
    byId('conversation-pane').dataset.roomId = room ? room.roomId : '';
    byId('room-title').textContent = room ? room.username : 'Choose a conversation';
    byId('room-details').textContent = room
      ? [room.customerId, room.email, room.online ? 'online' : 'offline', room.messageCount + ' messages'].filter(Boolean).join(' · ')
      : '';
  }

  function renderRooms() {
    const list = byId('rooms');
    list.replaceChildren();
    for (const room of view.rooms) {
      const item = element('li');
      item.dataset.roomId = room.roomId;
      item.dataset.userId = room.customerId;
      item.dataset.online = String(room.online);
      item.dataset.unseen = String(room.unseenCount);
      if (room.roomId === view.roomId) item.classList.add('selected');
      const unseen = element('span', 'unseen', String(room.unseenCount));
      unseen.dataset.count = String(room.unseenCount);
      unseen.title = 'messages the agent has not seen';
      item.append(element('span', 'name', room.username), unseen,
        element('span', 'customer-id', room.customerId),
        element('span', 'preview', describe(room.lastMessage) || 'no messages yet'));
      item.addEventListener('click', () => openRoom(room.roomId));
      list.append(item);
    }
    byId('rooms-empty').hidden = view.rooms.length > 0;
    renderRoomHeader();
  }

  function onRooms(summary) {
    if (!summary || summary.error) return;
    view.rooms = summary.rooms;
    byId('business').textContent = summary.token;
    byId('agent-id').textContent = summary.agentId;
    byId('bot-enabled').checked = summary.bot.enabled;
    if (view.roomId !== null && !currentRoom()) {
      // The room is gone (the service was reset) or never existed.
      view.roomId = null;
      view.messages = [];
      renderConversation();
      updateControls();
    }
    renderRooms();
  }

  function openRoom(roomId) {
    socket.emit('open-room', { roomId }, (answer) => {
      if (answer.error) {
        setStatus('error', answer.error);
        return;
      }
      view.roomId = roomId;
      view.messages = answer.messages;
      view.rows.clear();
      byId('conversation').replaceChildren();
      const room = view.rooms.findIndex((r) => r.roomId === roomId);
      if (room >= 0) view.rooms[room] = answer.room;
      else view.rooms.push(answer.room);
      renderRooms();
      renderConversation();
      const list = byId('conversation');
      list.scrollTop = list.scrollHeight;
      updateControls();
      const url = new URL(window.location.href);
      url.searchParams.set('room', roomId);
      window.history.replaceState(null, '', url);
      setStatus('idle', '');
    });
  }

  // Actions

  function request(event, body, done) {
    if (view.roomId === null) return;
    setStatus('busy', 'Sending…');
    socket.emit(event, Object.assign({ roomId: view.roomId }, body), (answer) => {
      if (answer.error) setStatus('error', answer.error);
      else done(answer);
    });
  }

  function sendAnswer() {
    const box = byId('answer-text');
    const text = box.value;
    if (text.trim() === '') return;
    request('send-text', { text }, () => {
      box.value = '';
      setStatus('done', 'Answer sent.');
    });
  }

  byId('answer-form').addEventListener('submit', (event) => {
    event.preventDefault();
    sendAnswer();
  });
  byId('answer-text').addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && !event.shiftKey) {
      event.preventDefault();
      sendAnswer();
    }
  });
  for (const button of document.querySelectorAll('#rich-buttons button')) {
    button.addEventListener('click', () => {
      request('send-template', { kind: button.dataset.kind }, () => setStatus('done', button.textContent + ' sent.'));
    });
  }
  byId('mark-seen').addEventListener('click', () => {
    request('mark-seen', {}, (answer) => {
      const count = answer.changed.length;
      setStatus('done', count === 1 ? '1 message marked seen.' : count + ' messages marked seen.');
    });
  });
  byId('bot-enabled').addEventListener('change', (event) => {
    socket.emit('set-bot', { enabled: event.target.checked }, (answer) => {
      if (answer.error) setStatus('error', answer.error);
    });
  });

  // Connection

  socket.on('connect', () => {
    setConnection('connected', 'Connected');
    socket.emit('rooms', {}, (summary) => {
      onRooms(summary);
      if (view.roomId !== null) openRoom(view.roomId);
    });
  });
  socket.on('disconnect', () => setConnection('disconnected', 'Disconnected, reconnecting…'));
  socket.on('connect_error', (error) => setConnection('error', 'Cannot connect: ' + error.message));
  socket.on('rooms', onRooms);
  socket.on('message', (update) => {
    if (update && update.roomId === view.roomId) upsertMessage(update.message);
  });
})();
