#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader reads of the running file manager over AT-SPI, one object a line:
#   atspi_read.py tree          role, name, description, states, value (current/minimum/maximum),
#                               actions
#   atspi_read.py names SECONDS the name changes told meanwhile: seconds since the start, role, name
import sys
import time

import pyatspi
from gi.repository import GLib

STATES = ('focused', 'selected', 'checkable', 'checked', 'showing')


def program():
    for _ in range(100):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == 'filemanager':
                return application
        time.sleep(0.1)
    sys.exit('the file manager is not on the accessibility bus')


def lines(node):
    states = [pyatspi.stateToString(s) for s in node.getState().getStates()]
    value = node.queryValue() if 'Value' in pyatspi.listInterfaces(node) else None
    value = '%g/%g/%g' % (value.currentValue, value.minimumValue, value.maximumValue) if value else ''
    action = node.queryAction() if 'Action' in pyatspi.listInterfaces(node) else None
    actions = ','.join(action.getName(i) for i in range(action.nActions)) if action else ''
    # A line break in a text shows as \n, so that each object stays one line.
    texts = [text.replace('\n', '\\n') for text in (node.name, node.description)]
    print('\t'.join([node.getRoleName()] + texts + [','.join(s for s in STATES if s in states), value, actions]))
    for child in node:
        lines(child)


if sys.argv[1] == 'tree':
    lines(program())
else:
    program()
    start = time.monotonic()
    pyatspi.Registry.registerEventListener(
        lambda event: print('%.3f\t%s\t%s' % (time.monotonic() - start, event.source.getRoleName(),
                                              event.source.name), flush=True),
        'object:property-change:accessible-name')
    GLib.timeout_add(int(float(sys.argv[2]) * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
