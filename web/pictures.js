// The eight pictures at the display's scale, as the core makes them.

// The picture files as the page holds them (make_site.py): the 1x bitmap and the 3x
// rendering, which stands in for every larger scale.
const STORED_LARGER = 3;
function storedRendering(stem, scale) {
  return scale === 1 ? { file: `pictures/${stem}.png`, stored: 1 }
    : { file: `pictures/${stem}_${STORED_LARGER}x.png`, stored: STORED_LARGER };
}

async function decodePixels(url) {
  const blob = await (await fetch(url)).blob();
  const bitmap = await createImageBitmap(blob, {
    colorSpaceConversion: "none",
    premultiplyAlpha: "none",
  });
  const canvas = document.createElement("canvas");
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  const context = canvas.getContext("2d", { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return context.getImageData(0, 0, canvas.width, canvas.height);
}

async function imageUrl(image) {
  const canvas = document.createElement("canvas");
  canvas.width = image.width;
  canvas.height = image.height;
  canvas.getContext("2d").putImageData(image, 0, 0);
  const blob = await new Promise((resolve) => canvas.toBlob(resolve, "image/png"));
  if (!blob) throw new Error("cannot encode a picture");
  return URL.createObjectURL(blob);
}

// Every picture for this DPI: the stored rendering the core's rendering scale names, handed to
// the core, which gives the picture to show; the file itself where that is the rendering as
// it is. Bitmap id -> {url, scale, made}.
export async function renderPictures(core, dpi) {
  const scale = core.renderingScale(dpi);
  const rendered = new Map();
  await Promise.all(core.tables.pictures.map(async (picture) => {
    const { file, stored } = storedRendering(picture.stem, scale);
    let url = file;
    try {
      const made = core.picture(picture.id, dpi, await decodePixels(file), stored);
      if (!made) throw new Error("no picture made");
      if (!made.stored) url = await imageUrl(made.image);
    } catch (error) {
      // The stored rendering, scaled by the browser, rather than no picture.
      console.warn("orvaneats:", picture.stem, error);
    }
    rendered.set(picture.id, { url, scale, made: url !== file });
    // Decoded before it is needed, so a change of picture shows at once.
    const preload = new Image();
    preload.src = url;
    await preload.decode().catch(() => {});
  }));
  return rendered;
}

export function releasePictures(rendered) {
  for (const { url, made } of rendered.values()) if (made) URL.revokeObjectURL(url);
}
