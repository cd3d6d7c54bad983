"""A real FTP server for the tests: 127.0.0.1, a free port printed on the
first line of output, user "op" with password "secret" and anonymous
logins, both rooted in the folder given as the first argument. With "slow"
as the second argument, data goes out at 32 KiB/s and every command received
is written to standard error, one a line."""
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root = sys.argv[1]
    authorizer = DummyAuthorizer()
    authorizer.add_user("op", "secret", root, perm="elr")
    authorizer.add_anonymous(root)
    handler = FTPHandler
    if len(sys.argv) > 2 and sys.argv[2] == "slow":
        class SlowData(ThrottledDTPHandler):
            write_limit = 32768

        class Noting(FTPHandler):
            def pre_process_command(self, line, cmd, arg):
                print(cmd, file=sys.stderr, flush=True)
                super().pre_process_command(line, cmd, arg)

        handler = Noting
        handler.dtp_handler = SlowData
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    server = FTPServer(("127.0.0.1", 0), handler)
    server.max_cons = 64
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
