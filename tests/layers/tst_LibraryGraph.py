#!/usr/bin/env python3
"""The library graph of the build against the layering rules.

The configure step writes the graph (every velmora_* library with its layer,
its direct links and its files) to velmora_libraries.txt. A library may link
only libraries of its own or a lower layer, never in a circle; each of its
files may include only headers of itself or of libraries it reaches through
its links; and each library it links directly is one its files include.
docs/architecture.md shows the same layers as src/CMakeLists.txt.

The checks are tested first on small made-up graphs, so that a checker that
finds nothing cannot pass unnoticed. Run by CTest with VELMORA_LIBRARY_GRAPH
and VELMORA_SOURCE_DIR set.
"""

import os
import re
import tempfile
import unittest

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


class Graph:
    def __init__(self):
        self.layer = {}      # library -> layer (None: outside the layers, e.g. test support)
        self.links = {}      # library -> set of directly linked velmora_* libraries
        self.sources = {}    # library -> list of file paths

    @staticmethod
    def read(path):
        g = Graph()
        with open(path, encoding='utf-8') as f:
            for line in f:
                parts = line.split()
                if not parts or parts[0].startswith('#'):
                    continue
                if parts[0] == 'library':
                    g.add(parts[1], None if parts[2] == '-' else int(parts[2]))
                elif parts[0] == 'link':
                    g.links[parts[1]].add(parts[2])
                elif parts[0] == 'source':
                    g.sources[parts[1]].append(line.split(' ', 2)[2].rstrip('\n'))
        return g

    def add(self, name, layer, links=(), sources=()):
        self.layer[name] = layer
        self.links[name] = set(links)
        self.sources[name] = list(sources)
        return self

    def reach(self, name):
        seen, todo = set(), [name]
        while todo:
            for d in self.links.get(todo.pop(), ()):
                if d not in seen:
                    seen.add(d)
                    todo.append(d)
        return seen


def find_cycle(g):
    """A list of libraries that closes on itself, or None."""
    state = {}
    for start in sorted(g.links):
        if start in state:
            continue
        path = [start]
        state[start] = 'open'
        stack = [iter(sorted(g.links[start]))]
        while stack:
            nxt = next(stack[-1], None)
            if nxt is None:
                stack.pop()
                state[path.pop()] = 'done'
                continue
            if state.get(nxt) == 'open':
                return path[path.index(nxt):] + [nxt]
            if nxt not in state and nxt in g.links:
                state[nxt] = 'open'
                path.append(nxt)
                stack.append(iter(sorted(g.links[nxt])))
    return None


def layer_problems(g):
    out = []
    for a in sorted(g.links):
        if g.layer[a] is None:
            continue
        for b in sorted(g.links[a]):
            if b not in g.layer:
                continue
            if g.layer[b] is None:
                out.append(f'{a} (layer {g.layer[a]}) links {b}, which is outside the layers')
            elif g.layer[b] > g.layer[a]:
                out.append(f'{a} (layer {g.layer[a]}) links {b} of the higher layer {g.layer[b]}')
    return out


# The windows of each area: they share only what lower layers hold, so that
# any of them can change without the others.
WINDOW_LAYER = 5


def sibling_problems(g, layer=WINDOW_LAYER):
    """Links between two libraries of the given layer."""
    out = []
    for a in sorted(g.links):
        if g.layer[a] != layer:
            continue
        for b in sorted(g.links[a]):
            if g.layer.get(b) == layer:
                out.append(f'{a} links {b}: the libraries of layer {layer} do not link each other')
    return out


def include_problems(g):
    owner, out = {}, []
    for lib in sorted(g.sources):
        if g.layer[lib] is None:
            continue
        for path in g.sources[lib]:
            name = os.path.basename(path)
            if name in owner and owner[name] != lib:
                out.append(f'{name} is in both {owner[name]} and {lib}')
            owner[name] = lib
    for lib in sorted(g.sources):
        if g.layer[lib] is None:
            continue
        reach = g.reach(lib)
        used = set()
        for path in sorted(g.sources[lib]):
            with open(path, encoding='utf-8', errors='replace') as f:
                text = f.read()
            for inc in INCLUDE.findall(text):
                other = owner.get(os.path.basename(inc))
                if other is None or other == lib:
                    continue
                used.add(other)
                if other not in reach:
                    out.append(f'{os.path.basename(path)} of {lib} includes {inc} of {other}, '
                               f'which {lib} does not link')
        for d in sorted(g.links[lib]):
            if g.layer.get(d) is not None and d not in used:
                out.append(f'{lib} links {d} but none of its files includes a header of it')
    return out


def doc_problems(g, doc_text):
    """The layer table of the architecture page against the build."""
    shown = {}
    for line in doc_text.splitlines():
        m = re.match(r'^\|\s*(\d+)\s*\|(.*)$', line)
        if m:
            for name in re.findall(r'velmora_\w+', m.group(2)):
                shown[name] = int(m.group(1))
    out = []
    for lib, layer in sorted(g.layer.items()):
        if layer is None:
            continue
        if lib not in shown:
            out.append(f'{lib} (layer {layer}) is missing from the layer table')
        elif shown[lib] != layer:
            out.append(f'{lib} is in layer {layer}, the layer table says {shown[lib]}')
    for lib in sorted(set(shown) - set(g.layer)):
        out.append(f'the layer table shows {lib}, which the build does not have')
    return out


class CheckerFindsFaults(unittest.TestCase):
    """Each check on a made-up graph that breaks one rule."""

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def file(self, name, text=''):
        path = os.path.join(self.dir.name, name)
        with open(path, 'w', encoding='utf-8') as f:
            f.write(text)
        return path

    def test_cycle(self):
        g = Graph().add('velmora_a', 0, ['velmora_b']).add('velmora_b', 1, ['velmora_c'])
        g.add('velmora_c', 2, ['velmora_a'])
        self.assertEqual(find_cycle(g), ['velmora_a', 'velmora_b', 'velmora_c', 'velmora_a'])
        g.links['velmora_c'] = set()
        self.assertIsNone(find_cycle(g))

    def test_higher_layer(self):
        g = Graph().add('velmora_low', 1, ['velmora_high', 'velmora_same']).add('velmora_high', 2)
        g.add('velmora_same', 1).add('velmora_support', None)
        self.assertEqual(len(layer_problems(g)), 1)
        self.assertIn('higher layer 2', layer_problems(g)[0])
        g.links['velmora_same'].add('velmora_support')
        self.assertIn('outside the layers', ' '.join(layer_problems(g)))

    def test_window_siblings(self):
        g = Graph().add('velmora_a', 5, ['velmora_b', 'velmora_w']).add('velmora_b', 5).add('velmora_w', 4)
        g.add('velmora_c', 4, ['velmora_w'])
        self.assertEqual(sibling_problems(g),
                         ['velmora_a links velmora_b: the libraries of layer 5 do not link each other'])
        g.links['velmora_a'] = {'velmora_w'}
        self.assertEqual(sibling_problems(g), [])

    def test_include_outside_the_links(self):
        low = self.file('Low.cpp', '#include "High.h"\n')
        high = self.file('High.h')
        g = Graph().add('velmora_low', 0, [], [low]).add('velmora_high', 1, [], [high])
        self.assertEqual(include_problems(g),
                         ['Low.cpp of velmora_low includes High.h of velmora_high, which velmora_low does not link'])
        # Reached through another library is enough.
        mid = self.file('Mid.h', '#include "High.h"\n')
        g.add('velmora_mid', 1, ['velmora_high'], [mid])
        g.links['velmora_low'] = {'velmora_mid'}
        self.file('Low.cpp', '#include "High.h"\n#include "Mid.h"\n')
        self.assertEqual(include_problems(g), [])

    def test_link_without_include(self):
        a = self.file('A.cpp', '#include <QString>\n')
        b = self.file('B.h')
        g = Graph().add('velmora_a', 1, ['velmora_b'], [a]).add('velmora_b', 0, [], [b])
        self.assertEqual(include_problems(g), ['velmora_a links velmora_b but none of its files includes a header of it'])

    def test_doc_table(self):
        g = Graph().add('velmora_a', 0).add('velmora_b', 1).add('velmora_support', None)
        doc = '| Layer | Libraries |\n|---|---|\n| 0 | `velmora_a` |\n| 2 | `velmora_b`, `velmora_gone` |\n'
        self.assertEqual(doc_problems(g, doc), ['velmora_b is in layer 1, the layer table says 2',
                                                'the layer table shows velmora_gone, which the build does not have'])


class BuildGraph(unittest.TestCase):
    """The graph the configure step wrote for this build."""

    @classmethod
    def setUpClass(cls):
        cls.graph = Graph.read(os.environ['VELMORA_LIBRARY_GRAPH'])
        cls.source = os.environ['VELMORA_SOURCE_DIR']

    def test_graph_is_read(self):
        # A graph that lost its libraries or files would pass every rule.
        layered = [lib for lib, layer in self.graph.layer.items() if layer is not None]
        self.assertGreaterEqual(len(layered), 10)
        self.assertTrue(all(self.graph.sources[lib] for lib in layered))
        self.assertEqual(self.graph.layer['velmora_foundation'], 0)

    def test_no_cycle(self):
        self.assertIsNone(find_cycle(self.graph))

    def test_no_link_to_a_higher_layer(self):
        self.assertEqual(layer_problems(self.graph), [])

    def test_window_libraries_are_siblings(self):
        self.assertEqual(sibling_problems(self.graph), [])

    def test_links_match_includes(self):
        self.assertEqual(include_problems(self.graph), [])

    def test_architecture_page_matches(self):
        with open(os.path.join(self.source, 'docs', 'architecture.md'), encoding='utf-8') as f:
            self.assertEqual(doc_problems(self.graph, f.read()), [])


if __name__ == '__main__':
    unittest.main(verbosity=2)
