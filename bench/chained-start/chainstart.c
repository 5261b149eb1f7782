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

static double Percentile(const double* sorted, int n, double p) { return sorted[(int)(p * (n - 1) + 0.5)]; }

/* Two modes where the spread within both is least (Otsu's threshold over the sorted times). */
static void Report(const char* name, double* t, int n) {
  int i, best = -1, bin;
  double bestWithin = 1e300, total = 0;
  qsort(t, (size_t)n, sizeof *t, Compare);
  for (i = 0; i < n; ++i) total += t[i];
  {
    double left = 0;
    for (i = 1; i < n; ++i) {
      double meanL, meanR, within = 0;
      int k;
      left += t[i - 1];
      meanL = left / i;
      meanR = (total - left) / (n - i);
      for (k = 0; k < n; ++k) {
        double d = t[k] - (k < i ? meanL : meanR);
        within += d * d;
      }
      if (within < bestWithin) bestWithin = within, best = i;
    }
  }
  printf("%s: median %.1f ms; 10th/25th/50th/75th/90th %.1f/%.1f/%.1f/%.1f/%.1f\n", name, Percentile(t, n, .5),
         Percentile(t, n, .1), Percentile(t, n, .25), Percentile(t, n, .5), Percentile(t, n, .75), Percentile(t, n, .9));
  if (best > 0) {
    double meanL = 0, meanR = 0, spread = 0;
    for (i = 0; i < n; ++i) (i < best ? (meanL += t[i]) : (meanR += t[i]));
    meanL /= best;
    meanR /= n - best;
    spread = t[n - 1] - t[0];
    /* Two modes only when the gap between their centres is large against the whole range. */
    if (meanR - meanL > 0.35 * spread && best >= n / 10 && n - best >= n / 10)
      printf("  two modes: %d%% at %.1f ms, %d%% at %.1f ms\n", best * 100 / n, Percentile(t, best, .5),
             (n - best) * 100 / n, Percentile(t + best, n - best, .5));
    else
      printf("  one mode\n");
  }
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
         (Percentile(chained, nc, .5) - Percentile(direct, nd, .5)) / Percentile(direct, nd, .5));
  return 0;
}
