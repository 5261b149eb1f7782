/* chainstart.exe: two chained process starts against one, on plain Wine, with nothing of the
 * launcher, its monitor or the simulated handheld. One file, system libraries only.
 *
 *   chainstart [ROUNDS]   times ROUNDS starts of each kind, taking turns:
 *     (c) this program starts the target;
 *     (d) this program starts a relay, which only starts the target and ends.
 *   A start ends when the target has set a named event, its first act.
 *
 * Prints each kind's percentiles, a histogram and its split into two modes, and (d - c) / (c),
 * the cost of the second start in units of the first. */
#include <windows.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const wchar_t kEventName[] = L"chainstart-target-running";

static double NowMs(void) {
  static LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

static BOOL Start(wchar_t* commandLine, BOOL wait) {
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return FALSE;
  if (wait) WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return TRUE;
}

static int Compare(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return x < y ? -1 : x > y;
}

/* The value below which a share q of the sorted times lie. */
static double Percentile(const double* sorted, int n, double q) { return n > 0 ? sorted[(int)(q * (n - 1))] : 0; }

static double Median(const double* sorted, int n) {
  return n == 0 ? 0 : (n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2);
}

static double InnerSpread(const double* sorted, int n) { return Percentile(sorted, n, .75) - Percentile(sorted, n, .25); }

/* Percentiles, two modes and a histogram, by the launch benchmark's rule (bench/BenchTiming.h):
 * the split where the spread within both modes is least (Otsu's threshold), each mode at least
 * 5 %, and two modes only when their medians lie apart by more than twice the inner spread of
 * either. */
static void Report(const char* name, double* t, int n) {
  int i, k, cut = 0, bin;
  double best = -1;
  qsort(t, (size_t)n, sizeof *t, Compare);
  printf("%s: median %.1f ms; 10th/25th/50th/75th/90th %.1f/%.1f/%.1f/%.1f/%.1f\n", name, Median(t, n),
         Percentile(t, n, .1), Percentile(t, n, .25), Percentile(t, n, .5), Percentile(t, n, .75), Percentile(t, n, .9));
  for (k = n / 20 + 1; n >= 8 && k + n / 20 + 1 < n; ++k) {
    double s1 = 0, s2 = 0, m1, m2, between;
    for (i = 0; i < n; ++i) (i < k ? (s1 += t[i]) : (s2 += t[i]));
    m1 = s1 / k;
    m2 = s2 / (n - k);
    between = (double)k * (n - k) * (m1 - m2) * (m1 - m2);
    if (between > best) best = between, cut = k;
  }
  if (cut > 0 && Median(t + cut, n - cut) - Median(t, cut) > 2 * fmax(InnerSpread(t, cut), InnerSpread(t + cut, n - cut)))
    printf("  two modes: %d%% at %.1f ms, %d%% at %.1f ms\n", cut * 100 / n, Median(t, cut), (n - cut) * 100 / n,
           Median(t + cut, n - cut));
  else
    printf("  one mode\n");
  printf("  histogram (2 ms bins):");
  for (i = 0; i < n; i = bin) {
    int lo = (int)(t[i] / 2) * 2, count = 0;
    for (bin = i; bin < n && (int)(t[bin] / 2) * 2 == lo; ++bin) ++count;
    printf(" %d:%d", lo, count);
  }
  printf("\n");
}

int wmain(int argc, wchar_t** argv) {
  wchar_t self[MAX_PATH], target[MAX_PATH + 16], relay[2 * MAX_PATH + 32];
  double *direct, *chained;
  int rounds, i, nd = 0, nc = 0;
  HANDLE running;

  if (argc >= 2 && !wcscmp(argv[1], L"target")) {
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, kEventName);
    if (event) SetEvent(event);
    return 0;
  }
  GetModuleFileNameW(NULL, self, MAX_PATH);
  swprintf(target, sizeof target / sizeof *target, L"\"%ls\" target", self);
  if (argc >= 3 && !wcscmp(argv[1], L"relay")) return Start(argv[2], FALSE) ? 0 : 1;

  rounds = argc >= 2 ? _wtoi(argv[1]) : 120;
  if (rounds < 10) rounds = 10;
  swprintf(relay, sizeof relay / sizeof *relay, L"\"%ls\" relay \"\\\"%ls\\\" target\"", self, self);
  running = CreateEventW(NULL, FALSE, FALSE, kEventName);
  direct = calloc((size_t)rounds, sizeof *direct);
  chained = calloc((size_t)rounds, sizeof *chained);
  if (!running || !direct || !chained) return 1;

  for (i = -2; i < rounds; ++i) { /* two warm-up rounds fill Wine's caches */
    int k;
    for (k = 0; k < 2; ++k) {
      BOOL viaRelay = (i + k) % 2 != 0;
      wchar_t line[2 * MAX_PATH + 32];
      double t0, t;
      wcscpy(line, viaRelay ? relay : target);
      ResetEvent(running);
      t0 = NowMs();
      if (!Start(line, FALSE) || WaitForSingleObject(running, 10000) != WAIT_OBJECT_0) {
        fprintf(stderr, "start %d failed\n", i);
        continue;
      }
      t = NowMs() - t0;
      Sleep(30); /* let both end before the next */
      if (i < 0) continue;
      if (viaRelay) chained[nc++] = t;
      else direct[nd++] = t;
    }
  }
  printf("rounds: %d (direct %d, chained %d)\n", rounds, nd, nc);
  Report("(c) one start", direct, nd);
  Report("(d) two chained starts", chained, nc);
  printf("second start (d - c) / (c) by the medians: %.2f\n",
         (Median(chained, nc) - Median(direct, nd)) / Median(direct, nd));
  return 0;
}
