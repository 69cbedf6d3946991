// The connector's background: the context-menu entries, the capture of the page in its own
// context (so pictures behind the user's login are fetched with the user's cookies) and the
// hand-over to Quillbox's native host, which writes the note.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const HOST = 'org.quillbox.connector';

// The capture's limits, as Quillbox keeps them; the total stays below the host's message limit
// once the pictures are in base64.
const LIMITS = {
  maxImageBytes: 16 * 1024 * 1024,
  maxImages: 500,
  fetchTimeoutMs: 20000,
  totalTimeoutMs: 60000,
  totalBytes: 64 * 1024 * 1024,
};

const MENU = [
  { id: 'selection', title: 'Clip Selection', contexts: ['selection'] },
  { id: 'page', title: 'Clip Entire Page', contexts: ['page', 'selection', 'image'] },
  { id: 'images', title: 'Clip All Images', contexts: ['page', 'image'] },
  { id: 'link', title: 'Clip Link', contexts: ['link'] },
];

api.runtime.onInstalled.addListener(() => {
  api.contextMenus.removeAll(() => {
    for (const entry of MENU) api.contextMenus.create(entry);
  });
});

// Runs in the page: the selection's or the body's HTML with the pictures' addresses made
// absolute, the page's address, title and charset, and the pictures it shows, fetched here.
async function capturePage(kind, limits) {
  // An inert document: nothing copied into it loads or runs.
  const inert = document.implementation.createHTMLDocument('');
  const root = inert.createElement('div');
  if (kind === 'selection') {
    const selection = window.getSelection();
    for (let i = 0; selection && i < selection.rangeCount; i++)
      root.appendChild(inert.importNode(selection.getRangeAt(i).cloneContents(), true));
  } else if (document.body) {
    for (const child of document.body.childNodes) root.appendChild(inert.importNode(child, true));
  }
  const addresses = [];
  for (const img of root.querySelectorAll('img[src]')) {
    let address;
    try {
      address = new URL(img.getAttribute('src'), document.baseURI);
    } catch (e) {
      continue;
    }
    address.hash = '';
    img.setAttribute('src', address.href);
    if ((address.protocol === 'http:' || address.protocol === 'https:') && !addresses.includes(address.href))
      addresses.push(address.href);
  }

  const toBase64 = (buffer) => {
    const bytes = new Uint8Array(buffer);
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  };
  const deadline = Date.now() + limits.totalTimeoutMs;
  const pictures = [];
  let total = 0;
  for (const address of addresses.slice(0, limits.maxImages)) {
    const left = Math.min(limits.fetchTimeoutMs, deadline - Date.now());
    if (left <= 0) break;
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), left);
    try {
      const response = await fetch(address, { credentials: 'include', signal: abort.signal });
      if (!response.ok) continue;
      const buffer = await response.arrayBuffer();
      if (buffer.byteLength > limits.maxImageBytes || total + buffer.byteLength > limits.totalBytes) continue;
      total += buffer.byteLength;
      pictures.push({ url: address, data: toBase64(buffer) });
    } catch (e) {
      // A picture that cannot be had keeps its address in the note.
    } finally {
      clearTimeout(timer);
    }
  }
  return {
    url: location.href,
    pageTitle: document.title,
    charset: document.characterSet,
    html: root.innerHTML,
    pictures,
  };
}

async function collect(request) {
  if (request.kind === 'link')
    return { url: request.link.url, pageTitle: request.link.text || request.link.url, html: '', pictures: [] };
  const [injection] = await api.scripting.executeScript({
    target: { tabId: request.tabId },
    func: capturePage,
    args: [request.kind, LIMITS],
  });
  return injection.result;
}

function report(answer) {
  api.action.setBadgeText({ text: answer.ok ? 'OK' : '!' });
  api.action.setTitle({ title: answer.ok ? `Kept as ${answer.note}` : `Not kept: ${answer.error}` });
}

// request: { tabId, kind, link: { url, text }, folder, title, comments }; the last three may be
// left out, the host then uses the settings of the add-note dialog.
async function clip(request) {
  let answer;
  try {
    const page = await collect(request);
    answer = await api.runtime.sendNativeMessage(HOST, {
      type: 'clip',
      kind: request.kind,
      url: page.url,
      pageTitle: page.pageTitle,
      charset: page.charset,
      html: page.html,
      pictures: page.pictures,
      folder: request.folder || undefined,
      title: request.title || undefined,
      comments: request.comments || undefined,
    });
  } catch (e) {
    answer = { ok: false, error: String(e && e.message ? e.message : e) };
  }
  report(answer);
  return answer;
}

// With "Visible Save Dialog" on, the popup asks for the folder, title and comments first.
async function clipFromMenu(info, tab) {
  const request = {
    tabId: tab.id,
    kind: info.menuItemId,
    link: { url: info.linkUrl, text: info.linkText || info.selectionText },
  };
  let settings;
  try {
    settings = await api.runtime.sendNativeMessage(HOST, { type: 'folders' });
  } catch (e) {
    report({ ok: false, error: String(e && e.message ? e.message : e) });
    return;
  }
  if (!settings.ok || !settings.confirm) {
    await clip(request);
    return;
  }
  await api.storage.session.set({ pending: request });
  try {
    await api.action.openPopup();
  } catch (e) {
    await api.windows.create({ url: api.runtime.getURL('popup.html'), type: 'popup', width: 440, height: 460 });
  }
}

api.contextMenus.onClicked.addListener((info, tab) => {
  clipFromMenu(info, tab);
});

// The popup's (and tests') entry point: { type: 'clip', ...request } or { type: 'folders' }.
api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  if (sender.id !== api.runtime.id) return false;
  const work = message.type === 'clip' ? clip(message)
    : message.type === 'folders' ? api.runtime.sendNativeMessage(HOST, { type: 'folders' })
    : Promise.resolve({ ok: false, error: 'unknown request' });
  work.then(sendResponse, (e) => sendResponse({ ok: false, error: String(e) }));
  return true;
});
