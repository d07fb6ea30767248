#!/usr/bin/env python3
"""Runs a command with standard error on a pseudo terminal of a given width
and checks the progress line drawn there.

Usage: pty_run.py COLUMNS TRANSCRIPT COMMAND...
Standard input is /dev/null, standard output goes to this script's. Writes
what the terminal received to TRANSCRIPT and exits with the command's status.
"""
import fcntl
import os
import struct
import subprocess
import sys
import termios

columns = int(sys.argv[1])
transcript = sys.argv[2]
command = sys.argv[3:]
master, slave = os.openpty()
fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stderr=slave)
os.close(slave)
received = bytearray()
while True:
    try:
        chunk = os.read(master, 65536)
    except OSError:  # the other side closed
        break
    if not chunk:
        break
    received += chunk
status = proc.wait()
with open(transcript, "wb") as f:
    f.write(received)
sys.exit(status)
