// The popup: the add-note dialog of the connector. It shows the store's folders, the note's
// title and comments, and hands the clip to the background, which captures the page.
'use strict';

const api = globalThis.browser ?? globalThis.chrome;
const $ = (id) => document.getElementById(id);

function status(text) {
  $('status').textContent = text;
}

function fillFolders(answer) {
  const select = $('folder');
  for (const folder of answer.folders) {
    const option = document.createElement('option');
    option.value = folder;
    option.textContent = folder;  // text, never markup
    option.selected = folder === answer.defaultFolder;
    select.appendChild(option);
  }
}

async function start() {
  // A clip asked for from the context menu waits here; otherwise the active tab is clipped.
  const { pending } = await api.storage.session.get('pending');
  await api.storage.session.remove('pending');
  let request = pending;  // an empty title lets Quillbox name the note as the window does
  if (!request) {
    const [tab] = await api.tabs.query({ active: true, currentWindow: true });
    request = { tabId: tab.id, kind: 'selection', link: {} };
    $('title').placeholder = tab.title || '';
  } else {
    $('kind').disabled = true;
    $('title').value = request.kind === 'link' ? request.link.text || request.link.url || '' : '';
  }
  if (request.kind !== 'link') $('kind').value = request.kind;

  const answer = await api.runtime.sendMessage({ type: 'folders' });
  if (!answer || !answer.ok) {
    status(`Quillbox cannot be reached: ${answer ? answer.error : 'no answer'}`);
    $('add').disabled = true;
    return;
  }
  fillFolders(answer);

  $('form').addEventListener('submit', async (event) => {
    event.preventDefault();
    $('add').disabled = true;
    status('Clipping…');
    const result = await api.runtime.sendMessage({
      type: 'clip',
      tabId: request.tabId,
      kind: request.kind === 'link' ? 'link' : $('kind').value,
      link: request.link,
      folder: $('folder').value,
      title: $('title').value.trim(),
      comments: $('comments').value,
    });
    if (result && result.ok) {
      status(`Kept as ${result.note}`);
      setTimeout(() => window.close(), 800);
    } else {
      status(`Not kept: ${result ? result.error : 'no answer'}`);
      $('add').disabled = false;
    }
  });
}

start().catch((e) => status(String(e)));
