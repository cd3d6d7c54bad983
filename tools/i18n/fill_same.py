#!/usr/bin/env python3
# Gives every unfinished message whose source is already English (no CJK) the
# source itself as its translation; reports the unfinished ones left.
import html
import re
import sys

path = sys.argv[1]
text = open(path, encoding="utf-8").read()


def fill(match):
    source = html.unescape(match.group(1))
    if re.search(r"[\u3000-\u9fff\uff00-\uffef]", source):
        return match.group(0)
    return "<source>%s</source>\n        <translation>%s</translation>" % (match.group(1), match.group(1))


text = re.sub(r'<source>([^<]*)</source>\s*<translation type="unfinished">[^<]*</translation>', fill, text)
open(path, "w", encoding="utf-8").write(text)
for left in re.findall(r'<source>([^<]*)</source>\s*<translation type="unfinished">', text):
    print("unfinished:", html.unescape(left))
