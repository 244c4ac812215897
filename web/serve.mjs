// Serves a folder of static files on 127.0.0.1: node web/serve.mjs DIR PORT.
// Only GET and HEAD, only files inside DIR.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.mp3': 'audio/mpeg',
  '.png': 'image/png',
};

export function serveFolder(folder, port, host = '127.0.0.1') {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405, { Allow: 'GET, HEAD' }).end();
      return;
    }
    let name;
    try {
      name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.resolve(root, '.' + name);
    if (file !== root && !file.startsWith(root + path.sep)) {
      response.writeHead(404).end();
      return;
    }
    fs.stat(file, (error, stat) => {
      if (error || !stat.isFile()) {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        return;
      }
      response.writeHead(200, {
        'Content-Type': types[path.extname(file)] || 'application/octet-stream',
        'Content-Length': stat.size,
        'Cache-Control': 'no-cache',
      });
      if (request.method === 'HEAD') {
        response.end();
        return;
      }
      fs.createReadStream(file).pipe(response);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const [folder, port] = process.argv.slice(2);
  serveFolder(folder, Number(port)).then(
    (server) => console.error(`Serving http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`),
    (error) => {
      console.error(`Cannot serve on 127.0.0.1:${port}: ${error.message}`);
      process.exit(1);
    });
}
