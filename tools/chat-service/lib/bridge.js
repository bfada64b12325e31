'use strict';

// The page that link buttons open in the app's web view. Its "Done" button
// hands a text and a keyword back to the app through the script-message
// handler "closeWebView" that the app's web view provides, then the app closes
// the page and sends them as a chat message. Variants post what an app must
// refuse, so that its handling can be tested; see README.md.

const VARIANTS = ['json', 'not-json', 'array', 'non-string', 'other-handler', 'iframe'];
const DEFAULT_TEXT = 'I filled in the form';
const DEFAULT_KEYWORD = 'FORM_DONE';
const DEFAULT_OTHER_HANDLER = 'otherHandler';

function escapeHtml(text) {
    return String(text).replace(/[&<>"']/g, (c) => ({
        '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;',
    })[c]);
}

const STYLE = `
body { font: 16px/1.4 system-ui, sans-serif; margin: 0; padding: 16px; color: #1d2330; background: #f6f7f9; }
h1 { font-size: 20px; margin: 0 0 12px; }
label { display: block; margin: 12px 0 4px; font-weight: 600; }
input { box-sizing: border-box; width: 100%; padding: 10px; font: inherit; border: 1px solid #b8bfcc; border-radius: 8px; }
button { margin-top: 16px; width: 100%; padding: 12px; font: inherit; font-weight: 600; color: #fff; background: #006df0; border: 0; border-radius: 8px; }
#bridge-note { margin-top: 12px; padding: 10px; border-radius: 8px; background: #e8ecf3; }
#bridge-note[data-state="no-handler"] { background: #fff1d6; }
#bridge-note[data-state="sent"] { background: #dcf5e3; }
iframe { width: 100%; height: 420px; border: 1px dashed #b8bfcc; border-radius: 8px; background: #fff; }
`;

// Runs in the page. The handler may be provided after the page's own scripts
// ran (the app injects it), so it is looked up at the moment of posting.
const SCRIPT = `
(function () {
    var body = document.body;
    var handlerName = body.dataset.handler;
    var variant = body.dataset.variant;
    var note = document.getElementById('bridge-note');
    var posts = 0;
    function handler() {
        var webkit = window.webkit;
        return webkit && webkit.messageHandlers && webkit.messageHandlers[handlerName];
    }
    function showNote(state, text) {
        note.dataset.state = state;
        note.textContent = text;
    }
    function messageBody() {
        var text = document.getElementById('bridge-text').value;
        var messageKeyword = document.getElementById('bridge-keyword').value;
        switch (variant) {
        case 'not-json': return 'Done: ' + text;
        case 'array': return JSON.stringify([text, messageKeyword]);
        case 'non-string': return { text: text, messageKeyword: messageKeyword };
        default: return JSON.stringify({ text: text, messageKeyword: messageKeyword });
        }
    }
    function done() {
        var target = handler();
        if (!target) {
            showNote('no-handler', 'This page is not open inside the app: there is no "' + handlerName +
                '" handler, so Done cannot send anything.');
            return;
        }
        target.postMessage(messageBody());
        posts += 1;
        body.dataset.posts = String(posts);
        showNote('sent', 'Sent to the app.');
    }
    document.getElementById('bridge-form').addEventListener('submit', function (event) {
        event.preventDefault();
        done();
    });
    if (body.dataset.auto === '1') {
        var tries = 0;
        var timer = setInterval(function () {
            tries += 1;
            if (handler() || tries >= 200) {
                clearInterval(timer);
                done();
            }
        }, 50);
    } else {
        setTimeout(function () {
            if (!handler()) showNote('no-handler', 'Opened outside the app: "Done" needs the app\\'s "' +
                handlerName + '" handler, which is missing here.');
        }, 500);
    }
})();
`;

function page(title, bodyAttributes, content, script) {
    const attributes = Object.entries(bodyAttributes)
        .map(([name, value]) => ` data-${name}="${escapeHtml(value)}"`).join('');
    return `<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>${escapeHtml(title)}</title>
<style>${STYLE}</style>
</head>
<body${attributes}>
${content}
${script ? `<script>${script}</script>` : ''}
</body>
</html>
`;
}

function formPage({ text, keyword, variant, handler, auto, inFrame }) {
    const content = `<h1>Tell us more</h1>
<form id="bridge-form">
<label for="bridge-text">Your message</label>
<input id="bridge-text" name="text" value="${escapeHtml(text)}">
<label for="bridge-keyword">Keyword</label>
<input id="bridge-keyword" name="keyword" value="${escapeHtml(keyword)}">
<button id="bridge-done" type="submit">Done</button>
</form>
<p id="bridge-note" data-state="ready">${inFrame ? 'This form is inside a frame.' : 'Press Done to send this to the chat.'}</p>`;
    return page('Tell us more', { variant, handler, auto: auto ? '1' : '0', posts: '0' }, content, SCRIPT);
}

function framePage(query) {
    const src = `/bridge/frame?${query.toString()}`;
    const content = `<h1>A form in a frame</h1>
<iframe id="bridge-frame" title="form" src="${escapeHtml(src)}"></iframe>`;
    return page('A form in a frame', { variant: 'iframe' }, content, '');
}

function settings(query) {
    const variant = query.get('variant') ?? 'json';
    return {
        text: query.get('text') ?? DEFAULT_TEXT,
        keyword: query.get('keyword') ?? DEFAULT_KEYWORD,
        variant: VARIANTS.includes(variant) ? variant : 'json',
        handler: query.get('handler') ?? (variant === 'other-handler' ? DEFAULT_OTHER_HANDLER : 'closeWebView'),
        auto: query.get('auto') === '1',
    };
}

function sendHtml(response, status, html) {
    response.writeHead(status, {
        'Content-Type': 'text/html; charset=utf-8',
        'Content-Length': Buffer.byteLength(html),
        'Cache-Control': 'no-store',
    });
    response.end(html);
}

// GET /bridge and /bridge/frame; false for any other path.
function handleBridge(request, response, path, query) {
    if (path !== '/bridge' && path !== '/bridge/frame') return false;
    const options = settings(query);
    if (path === '/bridge/frame') {
        sendHtml(response, 200, formPage({ ...options, variant: 'json', inFrame: true }));
    } else if (options.variant === 'iframe') {
        const inner = new URLSearchParams(query);
        inner.delete('variant');
        sendHtml(response, 200, framePage(inner));
    } else {
        sendHtml(response, 200, formPage(options));
    }
    return true;
}

module.exports = { handleBridge, escapeHtml, sendHtml, VARIANTS, DEFAULT_TEXT, DEFAULT_KEYWORD };
