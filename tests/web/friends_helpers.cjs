// The page's choices for playing together (platform/web/page/friends.js), outside a
// browser: where the relay is looked for, which room codes a link may carry, the link a
// room gets, and the name a dropped record is kept under.
//   node tests/web/friends_helpers.cjs <friends.js>
'use strict';
const path = require('path');
const F = require(path.resolve(process.argv[2]));

let failed = 0;
function expect(actual, wanted, what) {
  const a = JSON.stringify(actual), w = JSON.stringify(wanted);
  if (a !== w) {
    failed++;
    console.log(`FAIL ${what}: got ${a}, wanted ${w}`);
  }
}
const at = (address) => new URL(address);

// Beside the page: its own port for plain http, the site's /relay behind https.
expect(F.relayFor(at('http://192.168.1.5:8000/vask/')), { url: 'ws://192.168.1.5:8765' }, 'a LAN page');
expect(F.relayFor(at('http://[::1]:8000/')), { url: 'ws://[::1]:8765' }, 'an IPv6 page');
expect(F.relayFor(at('https://games.example/vask/?x=1')), { url: 'wss://games.example/relay' }, 'an https page');
expect(F.relayFor(at('https://games.example:8443/')), { url: 'wss://games.example:8443/relay' }, 'an https page on a port');
// ?relay= wins, when it is a WebSocket address.
expect(F.relayFor(at('https://a.example/?relay=ws%3A%2F%2F127.0.0.1%3A9000')), { url: 'ws://127.0.0.1:9000/' }, '?relay=');
expect(F.relayFor(at('http://a/?relay=wss://r.example/relay')), { url: 'wss://r.example/relay' }, '?relay= over TLS');
for (const bad of ['javascript:alert(1)', 'http://r.example/', '', 'ws://user:pw@r.example/'])
  expect('error' in F.relayFor(at(`http://a/?relay=${encodeURIComponent(bad)}`)), true, `?relay=${bad} refused`);

// Codes as the game reads them.
expect(F.roomCode('7k2m-9qxd'), '7K2M-9QXD', 'a code in small letters');
expect(F.roomCode(' 7K2M 9QXD '), '7K2M-9QXD', 'a code with spaces');
expect(F.roomCode('OIL23456'), '0112-3456', 'O, I and L read as digits');
for (const bad of ['7K2M-9QX', '7K2M-9QXDA', '7K2M-9QXU', '7K2M/9QXD', '', null, 'x'.repeat(1000)])
  expect(F.roomCode(bad), null, `"${bad}" is no code`);
expect(F.printedRoom('room 7K2M9QXD'), '7K2M-9QXD', 'the line the game prints');
expect(F.printedRoom('room 7K2M9QXD and more'), null, 'a longer line');
expect(F.printedRoom('relay: room 7K2M9QXD'), null, 'another line');

// The link keeps the page's own address and words, the relay among them.
expect(F.roomLink('http://h:8000/v/?relay=ws%3A%2F%2Fr%3A1&room=OLD#top', '7K2M-9QXD'),
       'http://h:8000/v/?relay=ws%3A%2F%2Fr%3A1&room=7K2M-9QXD', 'the room link');

// Dropped names never leave the records folder.
expect(F.recordName('../../vask.mid'), '_.._vask.mid', 'a name with folders');
expect(F.recordName('...'), 'record.vaskrec', 'a name of dots');
expect(F.recordName('my match.vaskrec'), 'my match.vaskrec', 'a plain name');
expect(F.recordName('a'.repeat(200)).length, 60, 'a long name');

console.log(failed ? `${failed} failed` : 'PASS friends helpers');
process.exit(failed ? 1 : 0);
