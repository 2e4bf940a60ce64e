// Playing together and match records on the page. The game itself knows rooms and records
// by its words (--host, --join CODE, --relay URL, --record FILE, --replay FILE): this only
// chooses the words from the page's address and buttons, reads the room's code from the
// line the game prints ("room CODE"), shows the link that joins it, and moves record files
// between the player's disk and the game's file system. page.js makes one (create) and
// tells it of each start and end.
'use strict';

var VaskFriends = (function () {
  // As the game reads a code (protocol.cpp): 8 of these, dashes and spaces ignored, letters
  // of either case, O read as 0 and I, L as 1.
  const ALPHABET = '0123456789ABCDEFGHJKMNPQRSTVWXYZ';
  // The game refuses a larger record anyway (REPLAY_FILE_LIMIT); the page does not read one
  // into memory at all.
  const RECORD_LIMIT = 64 * 1024 * 1024;
  // Where the game's files of records go in its file system, apart from its data files.
  const RECORDS = 'records';
  const ROOM_RECORD = RECORDS + '/room.vaskrec';

  // 'XXXX-XXXX', or null for anything that is no room code.
  function roomCode(typed) {
    if (typeof typed !== 'string' || typed.length > 40) return null;
    let code = '';
    for (let c of typed.toUpperCase()) {
      if (c === '-' || c === ' ') continue;
      if (c === 'O') c = '0';
      if (c === 'I' || c === 'L') c = '1';
      if (!ALPHABET.includes(c) || code.length === 8) return null;
      code += c;
    }
    return code.length === 8 ? `${code.slice(0, 4)}-${code.slice(4)}` : null;
  }

  // The code of a line the game printed, when it is the one that names its room.
  function printedRoom(line) {
    const m = /^room ([0-9A-Z]{8})$/.exec(String(line));
    return m ? roomCode(m[1]) : null;
  }

  // The relay's address: ?relay= when the address says, else beside the page. A plain http
  // page is most often this machine's or a LAN machine's (play.sh --web), where the relay
  // runs on the same machine on its own port; an https page is a site behind a proxy that
  // holds the certificate, which may forward /relay on its own port (a page on https may
  // not open a plain ws:// link anyway). { url } or { error }.
  function relayFor(where) {
    const asked = new URLSearchParams(where.search).get('relay');
    if (asked !== null) {
      let url = null;
      try { url = new URL(asked); } catch (e) { /* said below */ }
      if (!url || (url.protocol !== 'ws:' && url.protocol !== 'wss:') || url.username || url.password)
        return { error: `The address's relay "${asked.slice(0, 80)}" is no relay address (like ws://host:8765).` };
      return { url: url.href };
    }
    if (where.protocol === 'https:') return { url: `wss://${where.host}/relay` };
    return { url: `ws://${where.hostname}:8765` };
  }

  // The page's own address with the room in it: whoever opens it joins the room, on the
  // same relay (its ?relay=, when it has one, stays).
  function roomLink(href, code) {
    const url = new URL(href);
    url.searchParams.set('room', code);
    url.hash = '';
    return url.href;
  }

  // A dropped file's name as a file in the game's records folder: only plain characters, no
  // folder and no hidden name, whatever it was called.
  function recordName(name) {
    const plain = String(name).replace(/[^A-Za-z0-9._ -]/g, '_').replace(/^[.\s]+/, '').slice(0, 60);
    return plain || 'record.vaskrec';
  }

  function create(page) {
    const friendsButton = document.getElementById('friends');
    const openButton = document.getElementById('open-record');
    const fileInput = document.getElementById('record-file');
    const downloadButton = document.getElementById('download-record');
    const bar = document.getElementById('room');
    const barText = document.getElementById('room-text');
    const link = document.getElementById('room-link');
    const copyButton = document.getElementById('copy-link');
    const barRecord = document.getElementById('room-record');

    const relay = relayFor(location);
    const asked = new URLSearchParams(location.search).get('room');
    const joining = asked !== null ? roomCode(asked) : null;
    if (asked !== null && !joining)
      page.notice('room', `The link's room "${asked.slice(0, 40)}" is no room code (8 letters and digits, like 7K2M-9QXD).`);
    if (relay.error) {
      page.notice('relay', relay.error);
      friendsButton.disabled = true;
    }
    // With a room in the address the page's start joins it.
    const joinable = joining && !relay.error;
    if (joinable) friendsButton.hidden = true;

    let session = null;    // the running game's: { kind, code }
    let game = null;       // its module, while it runs
    let lastRecord = null; // { blob, name }: the record of the last room, taken at its end

    // A word about records over the game: it goes by itself after a while.
    let briefTimer = 0;
    function brief(text) {
      page.notice('record', text);
      clearTimeout(briefTimer);
      briefTimer = setTimeout(() => page.notice('record', null), 8000);
    }

    function showBar(text, code) {
      barText.textContent = text;
      link.hidden = copyButton.hidden = barRecord.hidden = !code;
      if (code) {
        link.href = link.textContent = roomLink(location.href, code);
        copyButton.textContent = 'Copy link';
      }
      bar.hidden = false;
    }

    // The buttons over the game never take the keyboard's focus from it.
    for (const button of [copyButton, barRecord]) button.addEventListener('mousedown', (e) => e.preventDefault());
    const backToGame = () => { if (game) page.focusGame(); };

    copyButton.addEventListener('click', async () => {
      let copied = false;
      try {
        await navigator.clipboard.writeText(link.href);
        copied = true;
      } catch (e) {
        // No clipboard to write to (a plain http page on the LAN): the old way, over the
        // link's text selected.
        const range = document.createRange();
        range.selectNodeContents(link);
        const selection = getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
        try { copied = document.execCommand('copy'); } catch (e2) { copied = false; }
        selection.removeAllRanges();
      }
      copyButton.textContent = copied ? 'Copied' : 'Select the link to copy it';
      backToGame();
    });

    function download(blob, name) {
      const a = document.createElement('a');
      a.href = URL.createObjectURL(blob);
      a.download = name;
      document.body.appendChild(a);
      a.click();
      a.remove();
      // Taken once the browser has started the download.
      setTimeout(() => URL.revokeObjectURL(a.href), 30000);
    }
    const recordFile = (code) => `vask-room-${code || 'match'}.vaskrec`;
    // While the room plays, the record as the game last wrote it: every minute of play
    // (3600 steps), so up to a minute behind; the whole match comes at the end.
    function readRecord(module) {
      try {
        return module.FS.analyzePath(ROOM_RECORD).exists ? module.FS.readFile(ROOM_RECORD) : null;
      } catch (e) {
        return null;
      }
    }
    barRecord.addEventListener('click', () => {
      const bytes = game && readRecord(game);
      if (bytes) download(new Blob([bytes], { type: 'application/octet-stream' }), recordFile(session.code));
      else brief('The game writes the record after each minute of play and at the end: none yet.');
      backToGame();
    });
    downloadButton.addEventListener('click', () => {
      if (lastRecord) download(lastRecord.blob, lastRecord.name);
    });

    friendsButton.addEventListener('click', () => {
      page.start(['--host', '--relay', relay.url, '--record', ROOM_RECORD], { kind: 'host' });
    });

    // A record from the player's disk, dropped on the page or picked, is played.
    async function playRecord(file) {
      if (!file) return;
      if (page.busy()) {
        brief('End the game first (a key with no command ends it), then give it the record again.');
        return;
      }
      if (file.size > RECORD_LIMIT) {
        page.say(`${file.name} is too large to be a match record.`);
        return;
      }
      let bytes;
      try {
        bytes = new Uint8Array(await file.arrayBuffer());
      } catch (e) {
        page.say(`${file.name} could not be read: ${e.message || e}`);
        return;
      }
      const where = `${RECORDS}/${recordName(file.name)}`;
      page.start(['--replay', where], { kind: 'replay', files: [[where, bytes]] });
    }
    openButton.addEventListener('click', () => fileInput.click());
    fileInput.addEventListener('change', () => {
      const file = fileInput.files[0];
      fileInput.value = '';
      playRecord(file);
    });
    // Without this a dropped file would replace the page.
    const stage = document.body;
    stage.addEventListener('dragover', (e) => {
      if (!e.dataTransfer || !Array.from(e.dataTransfer.types || []).includes('Files')) return;
      e.preventDefault();
      e.dataTransfer.dropEffect = 'copy';
      document.body.dataset.drop = 'over';
    });
    stage.addEventListener('dragleave', () => { delete document.body.dataset.drop; });
    stage.addEventListener('drop', (e) => {
      delete document.body.dataset.drop;
      if (!e.dataTransfer || !e.dataTransfer.files || !e.dataTransfer.files.length) return;
      e.preventDefault();
      playRecord(e.dataTransfer.files[0]);
    });

    return {
      joining: joinable ? joining : null,
      // The words and the session of the start button's game: the room of the address, or
      // a match alone.
      startWords() {
        if (!joinable) return { words: [], session: { kind: 'alone' } };
        return { words: ['--join', joining, '--relay', relay.url, '--record', ROOM_RECORD], session: { kind: 'join', code: joining } };
      },
      started(module, how) {
        game = module;
        session = Object.assign({}, how);
        page.notice('record', null);
        try { module.FS.mkdir(RECORDS); } catch (e) { /* there already */ }
        for (const [where, bytes] of how.files || []) module.FS.writeFile(where, bytes);
        if (how.kind === 'host') showBar('Making a room…', null);
        else if (how.kind === 'join') showBar(`Joining room ${how.code}…`, null);
      },
      printed(line) {
        const code = printedRoom(line);
        if (!code || !session || (session.kind !== 'host' && session.kind !== 'join')) return;
        session.code = code;
        showBar(`Room ${code}:`, code);
      },
      printedError(line) {
        // Why the relay gave no room, or went: the title says it too.
        const m = /^relay: (.{1,120})/.exec(String(line));
        if (!m || !session || (session.kind !== 'host' && session.kind !== 'join')) return;
        showBar(session.code ? `Room ${session.code}: the relay has gone (${m[1]}).` : `No room: ${m[1]}.`, session.code);
      },
      // The game has ended: its record is taken now (the game is let go of, and its file
      // system with it), and the overlay offers it.
      ended() {
        const bytes = game && session && session.code ? readRecord(game) : null;
        if (bytes) {
          lastRecord = { blob: new Blob([bytes], { type: 'application/octet-stream' }), name: recordFile(session.code) };
          downloadButton.hidden = false;
        }  // a game alone writes none: the offer stays for the last room's
        const was = session;
        game = null;
        session = null;
        bar.hidden = true;
        return was;
      },
    };
  }

  return { create, roomCode, printedRoom, relayFor, roomLink, recordName };
})();

if (typeof module !== 'undefined') module.exports = VaskFriends;
