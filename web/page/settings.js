// The study's settings: settings.json in the page's folder (a server that
// serves the page writes its own; web/README.md, "Settings"), over these
// defaults. A participant's link cannot change them.
//   postUrl         where each journal row is also sent (POST); "" none
//   postRetryMs     the first wait before a failed row is sent again
//   offlineAllowed  the test may start while postUrl cannot be reached
//   language        "ru" or "en" for the page's texts; "" the archive's

export const defaults = { postUrl: '', postRetryMs: 1000, offlineAllowed: false, language: '' };

// The settings from the answer to settings.json (null: none), and what is
// wrong with them (problem: the bad postUrl), or problem null.
export async function readSettings(answer) {
  let own = {};
  try {
    const response = await answer;
    if (response && response.ok) own = await response.json();
  } catch {
    own = {};
  }
  const settings = { ...defaults, ...own, problem: null };
  if (settings.postUrl) {
    let url = null;
    try {
      url = new URL(settings.postUrl, location.href);
    } catch {
      url = null;
    }
    if (!url || !/^https?:$/.test(url.protocol) || !/^[!-~]+$/.test(settings.postUrl)) settings.problem = settings.postUrl;
    else settings.postUrl = url.href;
  }
  if (!['ru', 'en'].includes(settings.language)) settings.language = '';
  return settings;
}
