#!/usr/bin/python3
"""The service stand-in of tests/data/net with the advertisement addresses.

GET .../ad/?r=1&p=0 is the route "ad1", GET .../ad/?r=0&p=0 the route "ad0";
everything else is answered as by the standard stand-in.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "net"))

import stand_in_service as base  # noqa: E402

_standard_route_of = base.route_of


def route_of(method, path, query, fields):
    if method == "GET" and path.endswith("/ad/"):
        return "ad" + dict(query).get("r", "")
    return _standard_route_of(method, path, query, fields)


base.route_of = route_of

if __name__ == "__main__":
    base.main()
