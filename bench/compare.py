#!/usr/bin/env python3
"""Whole-process timings of korim against a reference build, side by side.

Usage: bench/compare.py NEW_KORIM REF_KORIM [--runs N] [--page FILE] [--only TEXT]
                        [--table NAME]

Every case runs both binaries alternately (medians of --runs interleaved
runs each, the order of the builds turning from run to run), and the new
binary also with OMP_NUM_THREADS=1. Standard output,
standard error, the table and the rotated structures of every case must be
byte-identical between the two builds and between thread counts (but for
the progress lines a case names, which may differ); otherwise the script
stops with status 1. With --page the performance table between the markers
<!-- NAME:begin --> and <!-- NAME:end --> of FILE (NAME from --table, default
perf) is rewritten: the page is docs/performance.md.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "examples")
PDB = os.path.join(EXAMPLES, "ubiquitin_1d3z_model1.pdb")
TAB = os.path.join(EXAMPLES, "ubiquitin_nh_bicelle.tab")
# The progress line of the likelihood grid counts the points done as the threads finish them.
GRID_PROGRESS = b"Grid point"
POT = os.path.join(HERE, "..", "tests", "data", "cli", "wall_potential_screened.pot")


def eight_copies(path):
    """Eight copies of the example on a 2x2x2 lattice 45 A apart, chains A-H."""
    atoms = [l for l in open(PDB) if l.startswith("ATOM")]
    out, serial = [], 0
    for c in range(8):
        dx, dy, dz = 45.0 * (c & 1), 45.0 * ((c >> 1) & 1), 45.0 * ((c >> 2) & 1)
        for l in atoms:
            serial += 1
            x = float(l[30:38]) + dx
            y = float(l[38:46]) + dy
            z = float(l[46:54]) + dz
            out.append("%s%5d%s%s%s%8.3f%8.3f%8.3f%s" % (
                l[:6], serial, l[11:21], "ABCDEFGH"[c], l[22:30], x, y, z, l[54:]))
    with open(path, "w") as f:
        f.writelines(out)
        f.write("END\n")


def cases(tmp):
    big = os.path.join(tmp, "ubq8.pdb")
    eight_copies(big)
    base = ["-pdb", PDB, "-inD", TAB]
    return [
        ("default prediction, with -outD and -pdbRot", "wall", "100 x 18",
         ["-stKorim"] + base + ["-outD", "st.tab", "-pdbRot", "rot.pdb"]),
        ("default prediction, no output files", "wall", "100 x 18", ["-stKorim"] + base),
        ("dense wall, all heavy atoms", "wall", "700 x 36",
         ["-stKorim", "-nosurf", "-dot", "700", "-digPsi", "36"] + base + ["-outD", "st.tab"]),
        ("dense rod", "rod", "700 x 36",
         ["-stKorim", "-pf1", "-dot", "700", "-digPsi", "36"] + base + ["-outD", "st.tab"]),
        ("dense rod, 8 copies of ubiquitin", "rod", "700 x 36",
         ["-stKorim", "-pf1", "-dot", "700", "-digPsi", "36", "-pdb", big, "-outD", "st.tab"]),
        ("electrostatic wall (default medium)", "wall + charges", "100 x 18",
         ["-elKorim"] + base + ["-outD", "st.tab"]),
        ("electrostatic rod (test potential table)", "rod + charges", "100 x 18",
         ["-elKorim", "-pf1", "-pot", POT] + base + ["-outD", "st.tab"]),
        ("electrostatic rod (example potential table)", "rod + charges", "100 x 18",
         ["-elKorim", "-pf1", "-pot", os.path.join(EXAMPLES, "pf1_rod_radial.pot")] + base + ["-outD", "st.tab"]),
        ("electrostatic 3-D grid (example grid)", "3-D grid + charges", "100 x 18",
         ["-elKorim", "-3D", "-pot3D", os.path.join(EXAMPLES, "pf1_rod_grid.pot"), "-nX", "33", "-nY", "33", "-nZ",
          "1", "-dX", "4", "-dY", "4", "-dZ", "4", "-z1", "1", "-zN", "1", "-massLC", "0.00083"] + base
         + ["-outD", "st.tab"]),
        ("-daMl, default grid", "likelihood", "15,620 points",
         ["-daMl", "-inD", TAB, "-outD", "ml.tab", "-outSc", "ml.sc"], GRID_PROGRESS),
        ("-daFlex, default runs", "likelihood", "1000 runs",
         ["-daFlex", "-inD", TAB, "-outD", "flex.tab", "-outSc", "flex.sc", "-outCol",
          "flex.col"]),
    ]


def run(binary, args, wd, threads=None):
    env = dict(os.environ)
    if threads is not None:
        env["OMP_NUM_THREADS"] = str(threads)
    else:
        env.pop("OMP_NUM_THREADS", None)
    if os.path.isdir(wd):
        shutil.rmtree(wd)
    os.makedirs(wd)
    t0 = time.perf_counter()
    with open(os.path.join(wd, "stdout"), "wb") as o, open(os.path.join(wd, "stderr"), "wb") as e:
        p = subprocess.Popen([binary] + args, cwd=wd, stdout=o, stderr=e, env=env)
        _, status, use = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
    t = time.perf_counter() - t0
    if p.returncode != 0:
        sys.exit("%s failed (status %d) in %s" % (binary, p.returncode, wd))
    return t, use.ru_utime + use.ru_stime


def without_progress(text, progress):
    """text without the carriage-return-ended lines that begin with progress."""
    if progress is None:
        return text
    parts = text.split(b"\r")
    kept = []
    for p in parts[:-1]:
        head, nl, line = p.rpartition(b"\n")  # the line that the carriage return ends
        kept.append(head + nl if line.startswith(progress) else p + b"\r")
    return b"".join(kept + parts[-1:])


def same_outputs(a, b, progress=None):
    fa, fb = sorted(os.listdir(a)), sorted(os.listdir(b))
    if fa != fb:
        return "files differ: %s / %s" % (fa, fb)
    for f in fa:
        ta = open(os.path.join(a, f), "rb").read()
        tb = open(os.path.join(b, f), "rb").read()
        if f == "stderr":
            ta, tb = without_progress(ta, progress), without_progress(tb, progress)
        if ta != tb:
            return "%s differs" % f
    return None


def fmt(t):
    return "%.1f ms" % (1000 * t) if t < 1 else "%.2f s" % t


def main():
    p = argparse.ArgumentParser()
    p.add_argument("new")
    p.add_argument("ref")
    p.add_argument("--runs", type=int, default=9)
    p.add_argument("--page", help="the page whose table is rewritten (docs/performance.md)")
    p.add_argument("--only", help="run only the cases whose name contains this text")
    p.add_argument("--table", default="perf", help="name of the markers of the table in the page")
    a = p.parse_args()
    markers = "<!-- %s:begin -->\n" % a.table, "<!-- %s:end -->" % a.table
    if a.page:
        # Checked before the runs, so that a page without the markers costs no benchmark.
        page = open(a.page).read()
        for m in markers:
            if m not in page:
                sys.exit("%s has no marker %s" % (a.page, m.strip()))
    new, ref = os.path.abspath(a.new), os.path.abspath(a.ref)
    tmp = tempfile.mkdtemp(prefix="korim-bench-")
    load0 = os.getloadavg()[0]
    rows = []
    progressed = False  # a case whose progress lines were left out of the comparison
    for name, model, sampling, args, *progress in cases(tmp):
        if a.only and a.only not in name:
            continue
        tr, tn, t1, cr, c1 = [], [], [], [], []
        dr, dn, d1 = (os.path.join(tmp, s) for s in ("ref", "new", "one"))
        variants = ((tr, cr, ref, dr, None), (tn, None, new, dn, None), (t1, c1, new, d1, 1))
        for r in range(a.runs):
            # The order turns from run to run, so that no build always runs
            # just after another (and after the other's files and writes).
            for times, cpus, b, d, n in variants[r % 3:] + variants[:r % 3]:
                t, c = run(b, args, d, threads=n)
                times.append(t)
                if cpus is not None:
                    cpus.append(c)
        progressed = progressed or bool(progress)
        for other, label in ((dr, "reference build"), (d1, "one thread")):
            diff = same_outputs(dn, other, *progress)
            if diff:
                sys.exit("%s: output differs from the %s: %s" % (name, label, diff))
        mr, mn, m1, ur, u1 = (statistics.median(v) for v in (tr, tn, t1, cr, c1))
        rows.append((name, model, sampling, fmt(mr), fmt(m1), fmt(mn), mr / mn, m1 / mn,
                     fmt(ur), fmt(u1), ur / u1))
        print("%-45s ref %9s  new(1 thread) %9s  new %9s  x%.1f (threads x%.1f)  cpu %s -> %s"
              % (name, fmt(mr), fmt(m1), fmt(mn), mr / mn, m1 / mn, fmt(ur), fmt(u1)), flush=True)
    shutil.rmtree(tmp)
    cores = os.cpu_count()
    load = (load0 + os.getloadavg()[0]) / 2
    busy = ("otherwise idle while measured (load average %.1f)" % load if load < 2.5 else
            "shared with other work while measured (load average about %.0f: the threads "
            "found few idle cores)" % load)
    table = ["Whole-process wall times, medians of %d interleaved runs of each build "
             "(`bench/compare.py`, Release builds), on a machine with %d cores %s. "
             "Outputs (standard output and error%s, tables, rotated "
             "structures) are byte-identical between the builds and the thread counts. CPU time: "
             "user plus system time of the process (the work done, which the machine's load "
             "does not stretch)." % (a.runs, cores, busy, " but for the progress line of "
                                     "the likelihood grid" if progressed else ""), "",
             "| case | model | sampling | before | now, 1 thread | now, %d threads "
             "| speed-up | from threads | CPU time before | CPU time now, 1 thread "
             "| CPU ratio |" % cores,
             "|---|---|---|---|---|---|---|---|---|---|---|"]
    for r in rows:
        table.append("| %s | %s | %s | %s | %s | %s | %.1fx | %.1fx | %s | %s | %.1fx |" % r)
    text = "\n".join(table)
    print(text)
    if a.page:
        s = open(a.page).read()
        b, e = markers
        i, j = s.index(b) + len(b), s.index(e)
        open(a.page, "w").write(s[:i] + text + "\n" + s[j:])


if __name__ == "__main__":
    main()
