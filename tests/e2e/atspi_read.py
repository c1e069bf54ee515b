#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader reads of the running file manager over AT-SPI, one line each: "tree", each
# object's role, name, description, states and value (current/minimum/maximum); "names SECONDS",
# each name change told meanwhile (seconds since the start, role, name).
import sys
import time

import pyatspi
from gi.repository import GLib


def lines(node):
    states = [pyatspi.stateToString(s) for s in node.getState().getStates()]
    v = node.queryValue() if 'Value' in pyatspi.listInterfaces(node) else None
    print('\t'.join(f.replace('\n', '\\n') for f in [
        node.getRoleName(), node.name, node.description,
        ','.join(s for s in ('focused', 'selected', 'checked') if s in states),
        '%g/%g/%g' % (v.currentValue, v.minimumValue, v.maximumValue) if v else '']))
    for child in node:
        lines(child)


found = [a for a in pyatspi.Registry.getDesktop(0) if a and a.name == 'filemanager']
if not found:
    sys.exit('the file manager is not on the accessibility bus')
if sys.argv[1] == 'tree':
    lines(found[0])
else:
    start = time.monotonic()
    pyatspi.Registry.registerEventListener(lambda e: print('%.3f\t%s\t%s' % (
        time.monotonic() - start, e.source.getRoleName(), e.source.name), flush=True),
        'object:property-change:accessible-name')
    GLib.timeout_add(int(float(sys.argv[2]) * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
