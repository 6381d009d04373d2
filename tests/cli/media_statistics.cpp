// An assignment search over two alignment media (-dcID) writes each medium's tensor and its
// statistics over its own rows: each medium's records are those of a single fit to that medium's
// rows as assigned, the second medium's tensor is the one its couplings were made from, every Q
// follows the tensor and RMS beside it, and the table's own statistics are the first medium's.
#include <cmath>

#include "tests/cli/cli_util.h"

using namespace korim_cli;
using namespace korim_test;

namespace {

// The Saupe elements (S(zz), S(xx-yy), S(xy), S(xz), S(yz)) the second medium's couplings are made
// from, and the size of the alternating error put on them, Hz.
constexpr double kSaupeB[5] = {6e-4, -3e-4, 2e-4, -1.5e-4, 2.5e-4};
constexpr double kNoise = 0.5;
constexpr double kNH = 21585.2;  // |DI| of an N-H pair, Hz

// The example's N-H couplings under segment A500, and under B502 those that kSaupeB gives the
// example's N-H bonds (D = |DI| (Szz (3z^2-1)/2 + Sxx-yy (x^2-y^2)/2 + 2 Sxy xy + 2 Sxz xz + 2 Syz yz)
// for the unit vector from N to H), each turned kNoise off, up and down in turn.
std::string twoMediaTable() {
  const PdbAtoms atoms = readPdbAtoms(kPdb, true);
  auto at = [&atoms](int res, const char* name) {
    for (int i = 1; i <= atoms.n(); i++)
      if (atoms.resIDs[i] == res && atoms.names[i] == name) return i;
    return 0;
  };
  std::string a, b;
  int row = 0;
  for (const std::string& l : lines(readFile(kCouplings))) {
    int ri = 0, rj = 0;
    char ni[8], ai[8], nj[8], aj[8];
    double d = 0, dd = 0, w = 0;
    if (std::sscanf(l.c_str(), "%d %7s %7s %d %7s %7s %lf %lf %lf", &ri, ni, ai, &rj, nj, aj, &d, &dd, &w) != 9)
      continue;
    const int n = at(ri, "N"), h = at(ri, "H");
    EXPECT_TRUE(n > 0 && h > 0) << ri;
    double v[3] = {atoms.x[h] - atoms.x[n], atoms.y[h] - atoms.y[n], atoms.z[h] - atoms.z[n]};
    const double r = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    const double x = v[0] / r, y = v[1] / r, z = v[2] / r;
    const double dB = kNH * (kSaupeB[0] * (3 * z * z - 1) / 2 + kSaupeB[1] * (x * x - y * y) / 2 +
                             2 * kSaupeB[2] * x * y + 2 * kSaupeB[3] * x * z + 2 * kSaupeB[4] * y * z) +
                      (row++ % 2 ? kNoise : -kNoise);
    char text[160];
    std::snprintf(text, sizeof text, "%5d %4s %4s A500 %4d %4s %4s A500 %9.3f %9.3f %.2f\n", ri, ni, ai, rj, nj,
                  aj, d, dd, w);
    a += text;
    std::snprintf(text, sizeof text, "%5d %4s %4s B502 %4d %4s %4s B502 %9.3f %9.3f %.2f\n", ri, ni, ai, rj, nj,
                  aj, dB, dd, w);
    b += text;
  }
  return "VARS RESID_I RESNAME_I ATOMNAME_I SEGNAME_I RESID_J RESNAME_J ATOMNAME_J SEGNAME_J D DD W\n"
         "FORMAT %4d %4s %4s %4s %4d %4s %4s %4s %9.3f %9.3f %.2f\n\n" +
         a + b;
}

// The example's atoms once in segment A500, once in B502 (columns 73-76).
std::string twoCopies() {
  std::string text;
  for (const char* seg : {"A500", "B502"})
    for (std::string l : lines(readFile(kPdb)))
      if (l.rfind("ATOM", 0) == 0) text += l.substr(0, 72) + seg + "\n";
  return text;
}

// The rows of medium seg in the result table t, as a table of one medium (no segment columns).
std::string mediumRows(const Table& t, const std::string& seg) {
  std::string text = "VARS RESID_I RESNAME_I ATOMNAME_I RESID_J RESNAME_J ATOMNAME_J D DD W\n"
                     "FORMAT %4d %4s %4s %4d %4s %4s %9.4f %9.3f %.2f\n\n";
  for (size_t i = 0; i < t.rows.size(); i++) {
    const std::vector<std::string>& r = t.rows[i];
    if (r[3] != seg) continue;
    text += r[0] + " " + r[1] + " " + r[2] + " " + r[4] + " " + r[5] + " " + r[6] + " " + r[9] + " " + r[12] + " " +
            r[13] + "\n";
  }
  return text;
}

// Q SAUPE from the printed lines alone (docs/fits.md): RMS / sqrt(2 Da^2 (4 + 3 R^2) / 5).
double qOf(double rms, double daHN, double r) { return rms / std::sqrt(2.0 * daHN * daHN * (4.0 + 3.0 * r * r) / 5.0); }

}  // namespace

TEST(MediaStatistics, EachMediumWritesItsTensorAndStatisticsOverItsOwnRows) {
  TempDir d;
  writeFile(d / "ab.pdb", twoCopies());
  writeFile(d / "two.tab", twoMediaTable());
  std::vector<std::string> args = {"-bestFit", "-exhaust", "-pdb", "ab.pdb", "-inD", "two.tab", "-outD", "out.tab",
                                   "-dcID", "A500", "B502", "-lDa", "-25", "-hDa", "45", "-fixRes"};
  for (int res = 2; res <= 71; res++)
    if (res != 6 && res != 11 && res != 27 && res != 29 && res != 33 && res != 48) args.push_back(std::to_string(res));
  const RunResult r = runKorim(args, d);
  ASSERT_EQ(r.status, 0) << r.err;
  const Table t = readTable(d / "out.tab");

  for (const std::string seg : {"A500", "B502"}) {
    const std::string m = "MEDIUM " + seg + " ";
    // The twin: a single fit to the medium's rows as the search assigned them.
    writeFile(d / (seg + ".tab"), mediumRows(t, seg));
    const RunResult single =
        runKorim({"-bestFit", "-single", "-pdb", kPdb, "-inD", seg + ".tab", "-outD", seg + "_fit.tab"}, d);
    ASSERT_EQ(single.status, 0) << seg << single.err;
    const Table fit = readTable(d / (seg + "_fit.tab"));
    EXPECT_EQ(t.data(m + "N"), 63) << seg;
    for (const char* key : {"Da_HN", "Rhombicity", "RMS", "Chi2", "CORR R", "Q SAUPE"})
      EXPECT_NEAR(t.data(m + key), fit.data(key), 1e-6 + 1e-6 * std::fabs(fit.data(key))) << seg << " " << key;
    const std::vector<double> saupe = numbersAfter(t.lines, "DATA " + m + "SAUPE ");
    const std::vector<double> fitSaupe = numbersAfter(fit.lines, "DATA SAUPE ");
    ASSERT_EQ(saupe.size(), 5u) << seg;
    for (int i = 0; i < 5; i++) EXPECT_NEAR(saupe[i], fitSaupe[i], 1e-8) << seg << " " << i;
    // Q follows the tensor and RMS printed beside it.
    const double q = qOf(t.data(m + "RMS"), t.data(m + "Da_HN"), t.data(m + "Rhombicity"));
    EXPECT_NEAR(t.data(m + "Q SAUPE"), q, 5e-4 + 5e-4 * q / t.data(m + "RMS")) << seg;
    // The second medium's tensor is the one its couplings were made from, within their error.
    if (seg == "B502") {
      for (int i = 0; i < 5; i++) EXPECT_NEAR(saupe[i], kSaupeB[i], 2e-5) << i;
    }
  }
  // The table's tensor and statistics are the first medium's.
  const std::vector<double> saupe = numbersAfter(t.lines, "DATA SAUPE "),
                            saupeA = numbersAfter(t.lines, "DATA MEDIUM A500 SAUPE ");
  EXPECT_EQ(saupe, saupeA);
  for (const char* key : {"Da_HN", "Rhombicity", "N", "RMS", "Chi2", "CORR R", "Q SAUPE"})
    EXPECT_EQ(t.data(key), t.data(std::string("MEDIUM A500 ") + key)) << key;
  EXPECT_EQ(t.rows.size(), 126u);

  // The records as written, from the table's own statistics to the last medium's.
  const std::string text = readFile(d / "out.tab");
  const size_t from = text.find("REMARK Dipolar couplings."), to = text.find("VARS ");
  ASSERT_TRUE(from != std::string::npos && to != std::string::npos);
  EXPECT_EQ(text.substr(from, to - from), readFile(testData("cli/media_records.txt")));
}
