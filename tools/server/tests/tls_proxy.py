#!/usr/bin/env python3
"""A TLS endpoint on loopback in front of a collecting server, as a lab's
TLS proxy is, for the push test over https (stage 52): takes POSTs with
the certificate and key given and passes them on to the server's plain
HTTP port, with their Authorization and Content-Type. Prints its port, then
serves until it is stopped.

    tls_proxy.py CERT KEY SERVER_PORT
"""
import http.client
import http.server
import ssl
import sys

cert, key, backend = sys.argv[1], sys.argv[2], int(sys.argv[3])


class Forward(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get('Content-Length', 0)))
        passed = {k: v for k, v in self.headers.items() if k.lower() in ('authorization', 'content-type')}
        server = http.client.HTTPConnection('127.0.0.1', backend, timeout=120)
        server.request('POST', self.path, body, passed)
        answer = server.getresponse()
        data = answer.read()
        self.send_response(answer.status)
        self.send_header('Content-Type', answer.getheader('Content-Type', 'text/plain'))
        self.send_header('Content-Length', str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


endpoint = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Forward)
tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
tls.load_cert_chain(cert, key)
endpoint.socket = tls.wrap_socket(endpoint.socket, server_side=True)
print(endpoint.server_address[1], flush=True)
endpoint.serve_forever()
