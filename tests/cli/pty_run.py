#!/usr/bin/env python3
"""Runs a command with standard error on a pseudo terminal of a given width.

Usage: pty_run.py [--input TEXT] COLUMNS TRANSCRIPT COMMAND...
Standard input is /dev/null, or with --input the terminal too, with TEXT and
a line end typed ahead. Standard output goes to this script's. Writes what the
terminal received to TRANSCRIPT and exits with the command's status.
"""
import fcntl
import os
import struct
import subprocess
import sys
import termios

args = sys.argv[1:]
typed = None
if args[0] == "--input":
    typed = args[1]
    args = args[2:]
columns = int(args[0])
transcript = args[1]
command = args[2:]
master, slave = os.openpty()
fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
stdin = slave if typed is not None else subprocess.DEVNULL
proc = subprocess.Popen(command, stdin=stdin, stderr=slave)
os.close(slave)
if typed is not None:
    os.write(master, (typed + "\n").encode("utf-8"))
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
