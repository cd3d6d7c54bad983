"""A real FTP server for the tests: 127.0.0.1, a free port printed on the
first line of output, user "op" with password "secret" and anonymous
logins, both rooted in the folder given as the first argument."""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root = sys.argv[1]
    authorizer = DummyAuthorizer()
    authorizer.add_user("op", "secret", root, perm="elr")
    authorizer.add_anonymous(root)
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
