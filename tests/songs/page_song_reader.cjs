// The page's reader of songs (music.js, loaded as the page loads it, into a context of its
// own) on the test songs: what each needs of the soundfont is what needs.txt says, and the
// page picks the cut soundfont for a song exactly when the cut serves all of it.
//   node page_song_reader.cjs MUSIC_JS SONGS_DIR
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const [musicJs, songsDir] = process.argv.slice(2);
const page = vm.createContext({});
vm.runInContext(fs.readFileSync(musicJs, 'utf8'), page, { filename: musicJs });
const { midiSongNeeds, PageMusic, cutFont, fullFont } = vm.runInContext(
  '({ midiSongNeeds, PageMusic, cutFont: CUT_SOUNDFONT, fullFont: FULL_SOUNDFONT })', page);

const format = (needs) => (needs === null ? 'whole' : needs.map(([bank, program]) => `${bank}:${program}`).join(' '));
const fontFor = (song, served) =>
  PageMusic.prototype.fontFor.call({ cutPresets: Promise.resolve(served) }, song);

(async () => {
  const failures = [];
  const lines = fs.readFileSync(path.join(songsDir, 'needs.txt'), 'utf8').split('\n').filter(Boolean);
  for (const line of lines) {
    const [name, ...words] = line.split(' ');
    const want = words.join(' ');
    const song = new Uint8Array(fs.readFileSync(path.join(songsDir, name)));
    const got = format(midiSongNeeds(song));
    if (got !== want) failures.push(`${name}: needs "${got}", not "${want}"`);
    // A cut made for exactly what the song needs serves it; one lacking any of it does not.
    const needs = want === 'whole' ? [] : words.map((w) => w.split(':').map(Number));
    const served = new Set(needs.map(([bank, program]) => bank * 128 + program));
    const font = await fontFor(song, served);
    const fits = want === 'whole' ? fullFont : cutFont;
    if (font !== fits) failures.push(`${name}: ${font} from a cut made for it, not ${fits}`);
    for (const lacking of served) {
      const short = await fontFor(song, new Set([...served].filter((p) => p !== lacking)));
      if (short !== fullFont) failures.push(`${name}: ${short} from a cut lacking preset ${lacking}`);
    }
  }
  if (failures.length) {
    console.error(failures.join('\n'));
    process.exit(1);
  }
  console.log(`${lines.length} songs read as needs.txt says`);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
