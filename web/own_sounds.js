// A user's own sounds in place of the built-in bell, chime and brake: chosen in the ▾ menu,
// checked by decoding them, kept in this site's own Cache Storage (never sent anywhere; the one
// thing the page stores) and read back at every visit, offline too.
export const OWN_SOUND_LIMIT_MB = 10;
const LIMIT_BYTES = OWN_SOUND_LIMIT_MB * 1024 * 1024;
// Apart from the service worker's caches, which it replaces with each new version.
const STORE = `orvaneats own sounds ${new URL(".", document.baseURI).href}`;
const keyOf = (name) => new URL(`own-sounds/${name}`, document.baseURI).href;

const KEPT = "（元の音のままです）";
export const OWN_SOUND_EMPTY = `選んだファイルは空です${KEPT}`;
export const OWN_SOUND_TOO_LARGE = `選んだファイルは ${OWN_SOUND_LIMIT_MB} MB を超えています${KEPT}`;
export const OWN_SOUND_UNREADABLE = `選んだファイルは音として読めません${KEPT}`;
export const OWN_SOUND_NOT_KEPT = `選んだ音をこのブラウザーに保存できません${KEPT}`;
export const OWN_SOUND_NO_AUDIO = `このブラウザーでは音が出せません${KEPT}`;

// The sound chosen for `name` (a File): "" once it is kept and plays in place of the built-in
// one, else the line that says why the old sound stays.
export async function chooseOwnSound(sounds, name, file) {
  if (!sounds.context) return OWN_SOUND_NO_AUDIO;
  if (!file || file.size === 0) return OWN_SOUND_EMPTY;
  if (file.size > LIMIT_BYTES) return OWN_SOUND_TOO_LARGE;
  let bytes;
  let buffer;
  try {
    bytes = await file.arrayBuffer();
    buffer = await sounds.decode(bytes);
  } catch {
    return OWN_SOUND_UNREADABLE;
  }
  if (!buffer || buffer.length === 0) return OWN_SOUND_UNREADABLE;
  try {
    // One put: the entry is written whole or not at all.
    const store = await caches.open(STORE);
    await store.put(keyOf(name), new Response(bytes, {
      headers: { "Content-Type": file.type || "application/octet-stream" },
    }));
  } catch {
    return OWN_SOUND_NOT_KEPT;
  }
  sounds.useOwn(name, buffer);
  return "";
}

// Back to the built-in sounds: what was kept is deleted.
export async function forgetOwnSounds(sounds) {
  sounds.useBuiltIn();
  if (typeof caches !== "undefined") await caches.delete(STORE).catch(() => false);
}

// The sounds kept from an earlier visit, in place of the built-in ones; one that no longer
// decodes is left out, quietly, and the built-in one plays.
export async function loadOwnSounds(sounds, names) {
  if (!sounds.context || typeof caches === "undefined" || !(await caches.has(STORE))) return;
  const store = await caches.open(STORE);
  for (const name of names) {
    const kept = await store.match(keyOf(name));
    if (!kept) continue;
    try {
      sounds.useOwn(name, await sounds.decode(await kept.arrayBuffer()));
    } catch (error) {
      console.warn("orvaneats: a kept sound no longer decodes:", name, error);
    }
  }
}
