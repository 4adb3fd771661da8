// A static web server for the browser tests, on 127.0.0.1 and a free port:
// the files of one folder (what any static server would send), and a
// collector for posted journal rows that refuses the first `failFirst`
// rows, as a lab's server that is down for a while, answers each request
// after `delayMs`, and drops every connection while `down` is set. The
// page's probes (?probe=1) are answered and counted, not kept.
//
//   const server = await serve('build-web', { failFirst: 3, delayMs: 300 });
//   server.url; server.posts ({ url, type, body } taken); server.refused; server.probes;
//   server.down = true; await server.close();
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize } from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
};

export function serve(root, { failFirst = 0, delayMs = 0, collector = '/rows' } = {}) {
  const posts = [];
  let refused = 0, probes = 0;
  const state = { down: false };
  const server = createServer(async (req, res) => {
    const path = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    if (path === collector) {
      if (req.method === 'OPTIONS') {
        res.writeHead(204, { 'access-control-allow-origin': '*', 'access-control-allow-methods': 'POST',
                             'access-control-allow-headers': 'content-type' });
        return res.end();
      }
      const chunks = [];
      for await (const c of req) chunks.push(c);
      if (delayMs) await new Promise((r) => setTimeout(r, delayMs));
      if (state.down) return req.socket.destroy();
      if (new URL(req.url, 'http://x').searchParams.get('probe')) {
        probes++;
        res.writeHead(204, { 'access-control-allow-origin': '*' });
        return res.end();
      }
      if (refused < failFirst) {
        refused++;
        res.writeHead(503, { 'access-control-allow-origin': '*' });
        return res.end();
      }
      posts.push({ url: req.url, type: req.headers['content-type'], body: Buffer.concat(chunks).toString('utf8') });
      res.writeHead(204, { 'access-control-allow-origin': '*' });
      return res.end();
    }
    const file = normalize(join(root, path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(normalize(root))) {
      res.writeHead(403);
      return res.end();
    }
    try {
      const body = await readFile(file);
      res.writeHead(200, { 'content-type': types[extname(file)] || 'application/octet-stream' });
      res.end(body);
    } catch {
      res.writeHead(404);
      res.end();
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        posts,
        get refused() { return refused; },
        get probes() { return probes; },
        get down() { return state.down; },
        set down(on) { state.down = on; },
        close: () => new Promise((done) => { server.closeAllConnections(); server.close(done); }),
      });
    });
  });
}
