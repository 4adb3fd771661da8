// The program's own rules, asked of the module before a run, so that the
// page keeps no copy of them (web/rules.cpp): whether a file is a test
// archive (its first bytes), the language of an archive's texts, whether
// the program would refuse the page's options (a participant ID that breaks
// the rule), the journal's header row, and what a journal's rows make of its
// session. The module here runs no program:
// its folder holds only the archive asked about.

import { Folder } from './folder.js';

// An argument of the program's options: in double quotes, a quote inside
// doubled (runner/command_line.h).
export const quoted = (arg) => `"${arg.replace(/"/g, '""')}"`;

// The options of a module made from `compiled` (a WebAssembly.Module).
export function moduleOptions(web, compiled) {
  return {
    web,
    instantiateWasm: (imports, receive) => {
      WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled));
      return {};
    },
  };
}

export async function openCore(createModule, compiled) {
  const folder = new Folder();
  let args = '';
  const m = await createModule({
    ...moduleOptions({
      fileOpen: (name, read, write, create, fresh) => folder.open(name, read, write, create, fresh),
      fileRead: (handle, into) => folder.read(handle, into),
      fileSeek: (handle, offset, origin) => folder.seek(handle, offset, origin),
      fileTell: (handle) => folder.tell(handle),
      fileClose: (handle) => folder.close(handle),
      fileExists: (name) => folder.exists(name),
      arguments: () => args,
    }, compiled),
    noInitialRun: true,
  });
  // Asks `question` of the module with these bytes in its folder as `name`.
  const withFile = (name, bytes, question) => {
    folder.put(name, bytes);
    try {
      return question();
    } finally {
      folder.remove(name);
    }
  };
  const withArchive = (bytes, question) => withFile('MERIDOKA.WDL', bytes, question);
  const utf8 = new TextDecoder('utf-8', { ignoreBOM: true });
  const string = (at) => utf8.decode(m.HEAPU8.subarray(at, m.HEAPU8.indexOf(0, at)));
  const header = m._web_journal_header();
  return {
    // head: at least the file's first 12 bytes (no more are read)
    isArchive: (head) => withArchive(head, () => m._web_archive_header() === 1),
    // 'ru' or 'en' (also for bytes that are no archive, or none)
    language: (bytes) => (bytes && withArchive(bytes, () => m._web_archive_cyrillic()) ? 'ru' : 'en'),
    // the archive's settings offer to resume a session cut short: the
    // program asks, once the participant is known
    offersResume: (bytes) => !!bytes && withArchive(bytes, () => m._web_archive_offers_resume() === 1),
    // the options given to the program (/P:ID ...) would be refused; a
    // zero would end them early in the program's string, so they are
    refuses: (options) => {
      args = options;
      return options.includes('\0') || m._web_options_refused() === 1;
    },
    // the byte-order mark and the header row, CR LF included
    journalHeader: string(header),
    // what a journal's rows make of its session, by the program's own rules
    // (runner/session_rules.h): state 'open' (cut short), 'left' (the page
    // was left before the last item: cutTo is where its session_end row
    // begins), 'ended', 'damaged' or 'none'; the session_start row's texts
    judgeJournal: (bytes) => withFile('JOURNAL.CSV', bytes, () => {
      const state = ['none', 'open', 'left', 'ended', 'damaged'][m._web_journal_judge()];
      const [session, participant, archive, started] = [0, 1, 2, 3].map((n) => string(m._web_journal_start(n)));
      return { state, answered: m._web_journal_number(0), items: m._web_journal_number(1),
               cutTo: state === 'left' ? m._web_journal_number(2) : null, session, participant, archive, started };
    }),
  };
}
