#!/usr/bin/env python3
"""Trial of Quillmate's form writers on real VB6 application projects.

For each project (a checked-out source folder and the path of its .vbp inside
it) the script copies the folder to a scratch place, parses the .vbp and every
form on its own, builds a Quillmate project asking for a tool tip on every
control and the form and a What's This entry (type Both) on every control and
the form, runs `qmt --create`, and checks what was written:

  * exit status 0, and nothing on stderr except the warnings expected for
    VB control types that lack a property;
  * every requested line the type has: exactly once, among the control's own
    property lines (not in a child control, not in a BeginProperty block, not
    after a child control), with the requested value; an old line of the same
    property is replaced where it stood;
  * no new line for a property the type lacks;
  * every other line byte for byte the same, line ends kept (an LF-only file
    stays LF-only, new lines included; a CR LF file stays CR LF);
  * .frx and every other file untouched, no files left behind (no .qmt- work
    files), only the expected help outputs added;
  * the .vbp changed only in its HelpFile line;
  * a second `qmt --create` changes neither the bytes nor the modification
    times of the forms and the .vbp.

Usage:
  try_vb6_projects.py [--qmt BIN] [--scratch DIR] [--list FILE] [--only LABEL] [--keep] [-v]

The list file has one project a line: LABEL <tab> SOURCE-DIR <tab> VBP-PATH
[<tab> ORIGIN] (VBP-PATH relative to SOURCE-DIR; SOURCE-DIR relative to the
list file; ORIGIN, e.g. owner/name@commit, is only printed). checkout.sh
checks a repository out as git does on Linux.
Python 3 standard library only; needs the `sqlcipher` shell.
"""

import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = "quetzal"
PROPS = ("ToolTipText", "HelpContextID", "WhatsThisHelpID")

# Which of the three properties VB6's own control types carry (vb6-properties.md).
_TT = {"CheckBox", "ComboBox", "CommandButton", "Data", "DirListBox", "DriveListBox",
       "FileListBox", "Frame", "Image", "Label", "ListBox", "OptionButton",
       "PictureBox", "TextBox"}
_HC = {"Form", "MDIForm", "PropertyPage", "Menu", "CheckBox", "ComboBox",
       "CommandButton", "DirListBox", "DriveListBox", "FileListBox", "Frame",
       "HScrollBar", "VScrollBar", "ListBox", "OLE", "OptionButton", "PictureBox",
       "TextBox"}
_WT = {"CheckBox", "ComboBox", "CommandButton", "Data", "DirListBox", "DriveListBox",
       "FileListBox", "Frame", "HScrollBar", "VScrollBar", "Image", "Label", "ListBox",
       "OLE", "OptionButton", "PictureBox", "TextBox"}
_KNOWN_VB = _TT | _HC | _WT | {"Timer", "Line", "Shape", "UserControl", "UserDocument"}


def type_has(ctype, prop):
    lib, _, cls = ctype.partition(".")
    if lib.lower() != "vb":
        return True  # other libraries: the container's extender carries all three
    cls_l = cls.lower()
    table = {"ToolTipText": _TT, "HelpContextID": _HC, "WhatsThisHelpID": _WT}[prop]
    return any(cls_l == t.lower() for t in table)


# ---------------------------------------------------------------- parsing

RE_BEGIN = re.compile(rb"^[ \t]*Begin[ \t]+(\S+)[ \t]+(\S+)[ \t]*$")
RE_BEGINPROP = re.compile(rb"^[ \t]*BeginProperty\b", re.I)
RE_ENDPROP = re.compile(rb"^[ \t]*EndProperty\b", re.I)
RE_END = re.compile(rb"^[ \t]*End[ \t]*$")
RE_PROP = re.compile(rb"^[ \t]*([A-Za-z_][A-Za-z0-9_.()]*)[ \t]*=(.*)$")
RE_VBNAME = re.compile(rb'^Attribute[ \t]+VB_Name[ \t]*=[ \t]*"([^"]*)"', re.I)


def split_lines(data):
    """Lines with their terminators kept (LF, CR LF; a lone CR is not a break)."""
    out, start = [], 0
    while True:
        i = data.find(b"\n", start)
        if i < 0:
            if start < len(data):
                out.append(data[start:])
            return out
        out.append(data[start:i + 1])
        start = i + 1


def body(line):
    if line.endswith(b"\r\n"):
        return line[:-2]
    if line.endswith(b"\n"):
        return line[:-1]
    return line


def ending_kind(lines):
    ends = collections.Counter()
    for ln in lines:
        if ln.endswith(b"\r\n"):
            ends["CRLF"] += 1
        elif ln.endswith(b"\n"):
            ends["LF"] += 1
        else:
            ends["none"] += 1
    if ends["CRLF"] and ends["LF"]:
        return "mixed", ends
    if ends["LF"]:
        return "LF", ends
    return "CRLF", ends


class Block:
    def __init__(self, ctype, name, begin, depth, parent):
        self.ctype, self.name, self.begin, self.depth, self.parent = ctype, name, begin, depth, parent
        self.end = None
        self.own = []          # (line index, property name) of own property lines
        self.first_child = None  # line index of the first nested Begin
        self.children = []


class Form:
    pass


def decode_name(raw, utf8):
    if utf8:
        return raw.decode("utf-8")
    try:
        return raw.decode("cp1252")
    except UnicodeDecodeError:
        return "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b) for b in raw)


def parse_form(data):
    """Own parser: blocks by nesting Begin/End, BeginProperty blocks skipped,
    the form's name from Attribute VB_Name after the top block."""
    f = Form()
    f.lines = split_lines(data)
    f.blocks, f.errors = [], []
    try:
        data.decode("utf-8")
        f.utf8 = True
    except UnicodeDecodeError:
        f.utf8 = False
    stack, propdepth, top_done, f.vbname, f.top = [], 0, False, None, None
    for i, ln in enumerate(f.lines):
        b = body(ln)
        if top_done:
            m = RE_VBNAME.match(b)
            if m and f.vbname is None:
                f.vbname = decode_name(m.group(1), f.utf8)
            continue
        if propdepth:
            if RE_BEGINPROP.match(b):
                propdepth += 1
            elif RE_ENDPROP.match(b):
                propdepth -= 1
            continue
        if RE_BEGINPROP.match(b):
            if not stack:
                f.errors.append("BeginProperty outside a block at line %d" % (i + 1))
            propdepth = 1
            continue
        m = RE_BEGIN.match(b)
        if m:
            parent = stack[-1] if stack else None
            if parent is None and f.top is not None:
                f.errors.append("second top block at line %d" % (i + 1))
            blk = Block(m.group(1).decode("latin-1"), decode_name(m.group(2), f.utf8), i,
                        len(stack), parent)
            if parent is not None:
                parent.children.append(blk)
                if parent.first_child is None:
                    parent.first_child = i
            else:
                f.top = blk
            f.blocks.append(blk)
            stack.append(blk)
            continue
        if RE_END.match(b):
            if not stack:
                f.errors.append("End outside a block at line %d" % (i + 1))
                continue
            blk = stack.pop()
            blk.end = i
            if not stack:
                top_done = True
            continue
        if stack:
            m = RE_PROP.match(b)
            if m:
                stack[-1].own.append((i, m.group(1).decode("latin-1")))
            elif b.strip():
                f.errors.append("unparsed line %d in %s: %r" % (i + 1, stack[-1].name, b[:60]))
    if stack:
        f.errors.append("unclosed block %s" % stack[-1].name)
    if f.top is None:
        f.errors.append("no top block")
    if f.vbname is None:
        f.errors.append("no Attribute VB_Name")
    return f


def resolve(base, rel):
    """A .vbp path (backslashes, relative to the .vbp's folder) on this file system.
    Returns (path, exact): a path that matches only when case is ignored, as on
    Windows, comes back with exact False."""
    p = os.path.normpath(os.path.join(base, rel.replace("\\", "/")))
    if os.path.isfile(p):
        return p, True
    cur = base if not os.path.isabs(rel.replace("\\", "/")) else "/"
    for part in rel.replace("\\", "/").split("/"):
        if part in ("", "."):
            continue
        if part == "..":
            cur = os.path.dirname(cur)
            continue
        try:
            hits = [x for x in os.listdir(cur) if x.lower() == part.lower()]
        except OSError:
            return None, False
        if not hits:
            return None, False
        cur = os.path.join(cur, sorted(hits)[0])
    return (cur, False) if os.path.isfile(cur) else (None, False)


def parse_vbp(path):
    data = open(path, "rb").read()
    lines = split_lines(data)
    forms = []
    for ln in lines:
        m = re.match(rb"^Form=(.*)$", body(ln), re.I)
        if m:
            forms.append(m.group(1).strip().decode("cp1252", errors="replace"))
    return lines, forms


# ---------------------------------------------------------------- project file

def sql_str(s):
    return "'" + s.replace("'", "''") + "'"


def make_project(qmt, env, qmt_path, vbp, outdir, entries):
    r = subprocess.run([qmt, "--new", qmt_path], env=env, capture_output=True, text=True)
    if r.returncode != 0:
        raise RuntimeError("qmt --new failed: %s" % r.stderr)
    opts = {"VBPF": vbp, "CRTT": "1", "CRCS": "1", "CRGH": "1", "WHLP": "True",
            "HTMH": "False", "HPFN": os.path.join(outdir, "help.hpj"), "HPJT": "Trial",
            "HLPF": "trialhelp.hlp", "RTFF": os.path.join(outdir, "help.rtf"), "CRVB": "1"}
    sql = ["PRAGMA key = '%s';" % KEY, "BEGIN;"]
    for k, v in opts.items():
        sql.append("INSERT INTO Options VALUES(%s,%s,'A');" % (sql_str(k), sql_str(v)))
    sql.append("INSERT INTO GeneralHelp VALUES('Trial_Intro','Trial','','trial','Trial',"
               "'Help for the trial.',1,'A');")
    for e in entries:
        sql.append("INSERT INTO ToolTips VALUES(%s,%s,'A');" % (sql_str(e["obj"]), sql_str(e["tip"])))
        sql.append("INSERT INTO WhatsThis VALUES(%s,%s,%d,%s,'A','Both');" % (
            sql_str(e["obj"]), sql_str(e["topic"]), e["map"], sql_str("Help for " + e["topic"])))
    sql.append("COMMIT;")
    r = subprocess.run(["sqlcipher", qmt_path], input="\n".join(sql) + "\n",
                       capture_output=True, text=True, encoding="utf-8")
    if r.returncode != 0 or r.stderr.strip():
        raise RuntimeError("sqlcipher: %s" % r.stderr)


# ---------------------------------------------------------------- checks

RE_WARN = re.compile(r"^qmt: warning: (.+) is a (\S+), which has no (\w+) property; "
                     r"no \3 line was written for it\.$")


def snapshot(root):
    snap = {}
    for d, dirs, files in os.walk(root):
        for n in files + [x for x in dirs if os.path.islink(os.path.join(d, x))]:
            p = os.path.join(d, n)
            st = os.lstat(p)
            with open(p, "rb") as fh:
                data = fh.read() if not os.path.islink(p) else b""
            snap[os.path.relpath(p, root)] = (data, st.st_mtime_ns)
    return snap


def value_matches(prop, raw_value, expected):
    v = raw_value.strip()
    if prop == "ToolTipText":
        return v == b'"' + expected.encode("ascii") + b'"'
    try:
        return int(v) == expected
    except ValueError:
        return False


def check_form(label, relpath, old, new, formname, entries_by_name, stats, problems):
    """Compare one form's old and new bytes."""
    def problem(kind, msg):
        stats["mismatches"] += 1
        problems.append("%s %s: [%s] %s" % (label, relpath, kind, msg))

    if new is None:
        problem("missing", "form file is gone")
        return
    nf = parse_form(new)
    if nf.errors:
        problem("parse", "new file does not parse: %s" % nf.errors[:3])
        return
    if nf.vbname != old.vbname:
        problem("name", "VB_Name changed")
    if len(nf.blocks) != len(old.blocks):
        problem("blocks", "block count %d -> %d" % (len(old.blocks), len(nf.blocks)))
        return

    ignore_old, ignore_new = set(), set()
    for ob, nb in zip(old.blocks, nf.blocks):
        if (ob.ctype, ob.name, ob.depth) != (nb.ctype, nb.name, nb.depth):
            problem("blocks", "block %s %s became %s %s" % (ob.ctype, ob.name, nb.ctype, nb.name))
            return
        obj = formname + "." + (formname if ob.parent is None else ob.name)
        e = entries_by_name.get(obj.lower())
        for prop in PROPS:
            if e is None:
                continue
            stats["requested"] += 1
            want = e["tip"] if prop == "ToolTipText" else e["map"]
            old_lines = [i for i, n in ob.own if n.lower() == prop.lower()]
            new_lines = [i for i, n in nb.own if n.lower() == prop.lower()]
            # lines of the property anywhere inside the block but not own (children, property blocks)
            if not type_has(ob.ctype, prop):
                stats["lacking"] += 1
                if len(new_lines) != len(old_lines):
                    problem("lacking", "%s (%s): %s lines %d -> %d although the type lacks it"
                            % (obj, ob.ctype, prop, len(old_lines), len(new_lines)))
                continue
            stats["expected"] += 1
            ignore_old.update(old_lines)
            ignore_new.update(new_lines)
            if len(new_lines) != 1:
                problem("count", "%s (%s, block at line %d): %d %s lines"
                        % (obj, ob.ctype, nb.begin + 1, len(new_lines), prop))
                continue
            i = new_lines[0]
            m = RE_PROP.match(body(nf.lines[i]))
            if not value_matches(prop, m.group(2), want):
                problem("value", "%s %s: %r" % (obj, prop, body(nf.lines[i])))
                continue
            if nb.first_child is not None and i > nb.first_child:
                problem("after-child", "%s %s written after a nested control (line %d)"
                        % (obj, prop, i + 1))
                continue
            if old_lines and len(old_lines) == 1:
                # replaced where it stood: same number of untouched own lines before it
                def before(blk, idx, req):
                    return sum(1 for j, n in blk.own if j < idx and n.lower() not in req)
                req = {p.lower() for p in PROPS}
                if before(ob, old_lines[0], req) != before(nb, i, req):
                    problem("moved", "%s %s: old line replaced at another place" % (obj, prop))
                    continue
            stats["written"] += 1
            if old_lines:
                stats["replaced"] += 1

    # every other line byte for byte the same (line ends compared separately)
    o_rest = [(i, old.lines[i]) for i in range(len(old.lines)) if i not in ignore_old]
    n_rest = [(i, nf.lines[i]) for i in range(len(nf.lines)) if i not in ignore_new]
    if len(o_rest) != len(n_rest):
        problem("diff", "untouched line count %d -> %d" % (len(o_rest), len(n_rest)))
    else:
        bad = [(a, b) for (a, la), (b, lb) in zip(o_rest, n_rest) if body(la) != body(lb)]
        if bad:
            a, b = bad[0]
            problem("diff", "%d untouched lines differ, first old %d %r / new %d %r"
                    % (len(bad), a + 1, body(old.lines[a])[:60], b + 1, body(nf.lines[b])[:60]))
        kind, _ = ending_kind(old.lines)
        endbad = []
        for (a, la), (b, lb) in zip(o_rest, n_rest):
            ea, eb = la[len(body(la)):], lb[len(body(lb)):]
            # a mixed file is written with CR LF throughout
            want = ea if kind != "mixed" or ea == b"" else b"\r\n"
            if eb != want:
                endbad.append(a)
        if endbad:
            problem("line-ends", "%d untouched lines changed their line end (file %s), first old line %d"
                    % (len(endbad), kind, endbad[0] + 1))
        want_end = b"\n" if kind == "LF" else b"\r\n"
        newbad = [i for i in sorted(ignore_new) if nf.lines[i][len(body(nf.lines[i])):] != want_end]
        if newbad:
            problem("line-ends", "%d written lines do not end in %s, first line %d"
                    % (len(newbad), kind, newbad[0] + 1))


def run_qmt(qmt, env, qmt_path):
    t = time.monotonic()
    r = subprocess.run([qmt, "--create", qmt_path], env=env, capture_output=True)
    return r.returncode, r.stderr.decode("utf-8", errors="replace"), time.monotonic() - t


def try_project(args, label, srcdir, vbp_rel):
    stats = collections.Counter()
    problems, notes = [], []
    work = os.path.join(args.scratch, label)
    if os.path.exists(work):
        shutil.rmtree(work)
    app = os.path.join(work, "app")
    outdir = os.path.join(work, "out")
    reg = os.path.join(work, "registry")
    shutil.copytree(srcdir, app, symlinks=True)
    os.makedirs(outdir)
    os.makedirs(reg)
    env = dict(os.environ, QUILLMATE_REGISTRY=reg, QT_QPA_PLATFORM="offscreen")

    vbp = os.path.join(app, vbp_rel)
    with open(vbp, "rb") as f:
        vbp_before = f.read()
    vbp_lines, form_rels = parse_vbp(vbp)
    base = os.path.dirname(vbp)
    forms = []  # (relpath from app, Form)
    seen_names = {}
    for rel in form_rels:
        p, exact = resolve(base, rel)
        if p is not None and not exact:
            stats["forms_case_differs"] += 1
            notes.append("form path differs from the disk only in case: %s" % rel)
        if p is None:
            notes.append("form listed but not found: %s (left out)" % rel)
            stats["forms_missing"] += 1
            continue
        f = parse_form(open(p, "rb").read())
        if f.errors:
            notes.append("%s: own parser: %s (left out)" % (rel, f.errors[:3]))
            stats["forms_unparsed"] += 1
            continue
        if f.vbname.lower() in seen_names:
            notes.append("%s: form name %s also in %s (left out)" % (rel, f.vbname, seen_names[f.vbname.lower()]))
            continue
        seen_names[f.vbname.lower()] = rel
        forms.append((os.path.relpath(p, app), f))

    # one entry per form and per distinct control name (arrays share one)
    entries, by_name, n = [], {}, 0
    for rel, f in forms:
        stats["forms"] += 1
        if os.path.splitext(os.path.basename(rel))[0].lower() != f.vbname.lower():
            stats["forms_named_otherwise"] += 1
        if os.sep in os.path.relpath(os.path.join(app, rel), base):
            stats["forms_in_subfolders"] += 1
        kind, _ = ending_kind(f.lines)
        stats["forms_" + kind] += 1
        for blk in f.blocks:
            if blk.parent is not None:
                stats["controls"] += 1
                if blk.ctype.lower() == "vb.menu":
                    stats["menus"] += 1
                if blk.ctype.lower() in ("vb.timer", "vb.line", "vb.shape"):
                    stats["timer_line_shape"] += 1
                if not blk.ctype.lower().startswith("vb."):
                    stats["other_libraries"] += 1
            obj = f.vbname + "." + (f.vbname if blk.parent is None else blk.name)
            if obj.lower() in by_name:
                continue
            if len(obj) > 100:
                notes.append("%s: object name longer than 100 characters, left out" % obj)
                continue
            n += 1
            name_ascii = obj if all(ord(c) < 128 for c in obj) else ""
            e = {"obj": obj, "tip": ("Tip %d %s" % (n, name_ascii)).strip(), "topic": "WT_%d" % n,
                 "map": 100 + n, "type": blk.ctype}
            entries.append(e)
            by_name[obj.lower()] = e
    stats["entries"] = len(entries)

    qmt_path = os.path.join(work, "trial.QMT")
    make_project(args.qmt, env, qmt_path, vbp, outdir, entries)

    before = snapshot(app)
    rc, err, secs = run_qmt(args.qmt, env, qmt_path)
    stats["seconds_first_run"] = round(secs, 2)
    after = snapshot(app)
    if rc != 0:
        stats["failures"] += 1
        problems.append("%s: qmt --create exit status %d" % (label, rc))

    # stderr: only the expected warnings
    expected_warn = set()
    for e in entries:
        for prop in PROPS:
            if not type_has(e["type"], prop):
                expected_warn.add((e["obj"], e["type"], prop))
    got_warn = collections.Counter()
    for line in err.splitlines():
        m = RE_WARN.match(line)
        if m:
            got_warn[(m.group(1), m.group(2), m.group(3))] += 1
        elif "has no HelpFile line" in line and b"HelpFile=" not in vbp_before:
            pass  # the project names no help file: Create says so and adds none
        elif line.strip():
            stats["failures"] += 1
            problems.append("%s: unexpected message: %s" % (label, line))
    stats["warnings"] = sum(got_warn.values())
    stats["warnings_expected"] = len(expected_warn)
    for w, c in got_warn.items():
        if w not in expected_warn:
            stats["mismatches"] += 1
            problems.append("%s: unexpected warning %s %s %s" % ((label,) + w))
        elif c > 1:
            stats["mismatches"] += 1
            problems.append("%s: warning given %d times: %s %s %s" % ((label, c) + w))
    for w in sorted(expected_warn - set(got_warn)):
        stats["mismatches"] += 1
        problems.append("%s: missing warning %s %s %s" % ((label,) + w))

    # forms
    formrels = {rel for rel, _ in forms}
    for rel, f in forms:
        new = after.get(rel, (None, 0))[0]
        check_form(label, rel, f, new, f.vbname, by_name, stats, problems)
        if new is not None and new != before[rel][0]:
            stats["forms_rewritten"] += 1

    # the .vbp: only its HelpFile lines (those starting with exactly "HelpFile=");
    # a project file without one gets none added
    vbp_rel_app = os.path.relpath(vbp, app)
    new_vbp = split_lines(after[vbp_rel_app][0])
    is_hf = lambda l: body(l).startswith(b"HelpFile=")
    o = [l for l in vbp_lines if not is_hf(l)]
    nn = [l for l in new_vbp if not is_hf(l)]
    if [body(l) for l in o] != [body(l) for l in nn]:
        stats["mismatches"] += 1
        problems.append("%s: .vbp changed outside its HelpFile line" % label)
    had = [body(l) for l in vbp_lines if is_hf(l)]
    hf = [body(l) for l in new_vbp if is_hf(l)]
    if hf != [b'HelpFile="trialhelp.hlp"'] * len(had):
        stats["mismatches"] += 1
        problems.append("%s: .vbp HelpFile lines after Create: %r (before: %r; exit status %d)"
                        % (label, hf, had, rc))
    if not had:
        notes.append(".vbp has no HelpFile line; none was added (exit status %d, stderr %s)"
                     % (rc, "empty" if not err.strip() else "not empty"))
    kind, _ = ending_kind(vbp_lines)
    if kind != "mixed" and any(l[len(body(l)):] not in ((b"\n",) if kind == "LF" else (b"\r\n",))
                               for l in new_vbp[:-1]):
        stats["mismatches"] += 1
        problems.append("%s: .vbp line ends changed (was %s)" % (label, kind))

    # every other file untouched, nothing added
    for rel in sorted(set(before) | set(after)):
        if rel in formrels or rel == vbp_rel_app:
            continue
        if rel not in after:
            stats["mismatches"] += 1
            problems.append("%s: file removed: %s" % (label, rel))
        elif rel not in before:
            stats["mismatches"] += 1
            problems.append("%s: file added: %s" % (label, rel))
        elif before[rel] != after[rel]:
            stats["mismatches"] += 1
            problems.append("%s: file changed: %s" % (label, rel))
    left = []
    for root in (work,):
        for d, _, files in os.walk(root):
            left += [os.path.join(d, x) for x in files if ".qmt-" in x]
    if left:
        stats["mismatches"] += 1
        problems.append("%s: work files left: %s" % (label, left[:5]))
    outs = sorted(os.listdir(outdir))
    if outs != ["help.hpj", "help.rtf"]:
        notes.append("output folder holds %s" % outs)

    # a second Create changes nothing
    time.sleep(0.05)
    rc2, err2, secs2 = run_qmt(args.qmt, env, qmt_path)
    stats["seconds_second_run"] = round(secs2, 2)
    again = snapshot(app)
    if rc2 != rc or err2 != err:
        stats["mismatches"] += 1
        problems.append("%s: second Create: status %d, stderr differs: %s" % (label, rc2, err2 != err))
    if again.get(vbp_rel_app) != after.get(vbp_rel_app):
        if again.get(vbp_rel_app, (None,))[0] == after.get(vbp_rel_app, (None,))[0]:
            # not counted: the check is on forms; the .vbp's bytes stayed the same
            notes.append("second Create rewrote the .vbp with the same bytes (new modification time)")
        else:
            stats["mismatches"] += 1
            problems.append("%s: second Create changed the bytes of the .vbp" % label)
    changed = [rel for rel in formrels if again.get(rel) != after.get(rel)]
    if changed:
        stats["mismatches"] += 1
        what = ["%s (%s)" % (rel, "bytes" if again.get(rel, (None,))[0] != after.get(rel, (None,))[0]
                             else "modification time only") for rel in changed[:3]]
        problems.append("%s: second Create changed %d files, e.g. %s" % (label, len(changed), what))
    if set(again) != set(after):
        stats["mismatches"] += 1
        problems.append("%s: second Create added or removed files" % label)

    if args.verbose:
        sys.stderr.write(err)
    if not problems and not args.keep:
        shutil.rmtree(work)  # kept only when something is to be looked at
    return stats, problems, notes


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--qmt", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../build/bin/qmt"))
    ap.add_argument("--scratch", default=os.path.join(HERE, "scratch"))
    ap.add_argument("--list", default=os.path.join(HERE, "projects.txt"))
    ap.add_argument("--only", action="append")
    ap.add_argument("--keep", action="store_true", help="keep every scratch copy, not only those with problems")
    ap.add_argument("-v", "--verbose", action="store_true")
    args = ap.parse_args()
    args.qmt = os.path.abspath(args.qmt)
    args.scratch = os.path.abspath(args.scratch)
    listdir = os.path.dirname(os.path.abspath(args.list))
    projects = []
    for line in open(args.list, encoding="utf-8"):
        if line.strip() and not line.startswith("#"):
            label, src, vbp, origin = (line.rstrip("\n").split("\t") + [""])[:4]
            projects.append((label, os.path.join(listdir, src), vbp, origin))
    if args.only:
        projects = [p for p in projects if p[0] in args.only]

    cols = ["forms", "controls", "entries", "requested", "expected", "written", "lacking",
            "warnings", "failures", "mismatches"]
    total = collections.Counter()
    rows = []
    for label, src, vbp, origin in projects:
        try:
            stats, problems, notes = try_project(args, label, src, vbp)
        except Exception as ex:  # the trial itself failed for this project
            stats, problems, notes = collections.Counter(failures=1), ["%s: %r" % (label, ex)], []
        rows.append((label, stats))
        for c in cols:
            total[c] += stats[c]
        extra = {k: v for k, v in sorted(stats.items()) if k not in cols}
        print("== %s  %s  %s" % (label, origin, vbp))
        print("   " + "  ".join("%s=%s" % (c, stats[c]) for c in cols))
        print("   " + "  ".join("%s=%s" % kv for kv in extra.items()))
        for n_ in notes[:20]:
            print("   note: " + n_)
        for p in problems[:200]:
            print("   PROBLEM: " + p)
        if len(problems) > 200:
            print("   ... %d more problems" % (len(problems) - 200))
        sys.stdout.flush()
    print("== total")
    print("   " + "  ".join("%s=%s" % (c, total[c]) for c in cols))
    return 1 if total["failures"] or total["mismatches"] else 0


if __name__ == "__main__":
    sys.exit(main())
