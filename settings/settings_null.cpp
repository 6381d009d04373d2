// Defaults of the settings records of a run (KorimInfo and its sub-records, DcInfo).
#include "settings/settings_null.h"

namespace korim::settings {

namespace {

// The one empty text every unused chainDc entry points to; nobody writes through these pointers.
char emptyChainText[1] = {'\0'};

void storeGridDefaults(GridInfo* g) {
  g->outEflag = 0;
  g->densE = 200;
  g->angleDomFlag = 0;
  g->angleDom[0] = 0.0f;
  g->angleDom[1] = 0.0f;
  g->angleDom[2] = 0.0f;
  g->resDom1Origin = 0;
  g->resDom2Origin = 0;
  g->startResDom2 = 0;
  g->startResDom1 = 0;
  g->endResDom1 = 0;
  g->endResDom2 = 0;
  g->digPsiE = 1;
  g->lBetaCone = 0.0f;
  g->hBetaCone = 30.0f;
  g->cAlphaCone = 0.0f;
  g->errAlphaCone = 180.0f;
  g->startResPart1 = 0;
  g->endResPart1 = 0;
  g->startResPart2 = 0;
  g->endResPart2 = 0;
  g->clashFlag = 1;
  g->clashDist = 3.6f;
  g->initOrientFlag = 1;
  g->pivotCenter = 1;
  g->fixRotDomain = 0;
}

// kNegCh and kPosCh have no default: no step sets or reads them. They are
// zeroed here all the same so that the record never carries indeterminate bytes.
void storeElDefaults(ElInfo* e) {
  e->pow = 1.0f;
  e->kAtt = 0.0f;
  e->elFlag = 0;
  e->pkaFlag = 1;
  e->charmm = 0;
  e->dipoleFlag = 0;
  e->chSelFlag = 0;
  e->pH = 7.0f;
  e->concNaCl = 0.2f;
  e->chDensSurf = -0.47f;
  e->chTerminiFlag = 1;
  e->kEnergy = 1.0f;
  e->kPot = 1.0f;
  e->kMonoCh = 1.0f;
  e->kDipoCh = 1.0f;
  e->kQuadCh = 1.0f;
  e->cutoffPot = kCutoffPotDefault;
  e->cutoffDist = -1.0;
  e->maxPot = 5.0f;
  e->z1 = 0;
  e->zN = 0;
  e->temperaturePot = 298.15f;
  e->chFlag = 0;
  e->iFace = 50.0f;
  e->kNegCh = 0.0f;
  e->kPosCh = 0.0f;
}

void storeHistDefaults(HistInfo* h) {
  h->binCount = 20;
  h->dcMin = 0.0f;
  h->dcMax = 0.0f;
  h->Da2Par = 0.0f;
  h->R2Par = 0.0f;
  h->daLo = -1000.0f;
  h->daHi = 1000.0f;
  h->rhLo = 0.0f;
  h->rhHi = 0.667f;
  h->optExtrem = 1;
  h->nBinIn = 0;
  h->modeFit = 3;
  h->sdevDzz = 0.4f;
  h->sdevDyy = 0.9f;
  h->Dzz = 0.0f;
  h->Dyy = 0.0f;
  h->Dxx = 0.0f;
  h->nBins = 0;
  h->binWidth = 0.0f;
  h->DaFit = 0.0f;
  h->DaErrFit = 0.0f;
  h->RFit = 0.0f;
  h->RErrFit = 0.0f;
  h->mlMap = 0;
  h->lDaMl = -25.0f;
  h->hDaMl = -3.0f;
  h->incDaMl = 0.1f;
  h->lRMl = 0.0f;
  h->hRMl = 0.7f;
  h->incRMl = 0.01f;
  h->DaMl = 0.0f;
  h->DaErrMl = 0.0f;
  h->RMl = 0.0f;
  h->RErrMl = 0.0f;
}

}  // namespace

int korimInfoNull(KorimInfo* k) {
  k->validCountD = 0;
  k->idum = -1;
  k->korimMode = kModeSteric;
  k->allowFixedDI = 1;
  k->yzFlag = 0;
  k->lcType = kLcWall;
  k->concentration = 0.05f;
  k->volSample = 515.0f;
  k->mwLC = 268000.0f;
  k->massLC = 0.05f;
  k->unitLengthLC = 1.574f;
  k->polymerDeg = 1707.0f;
  k->densityNSC = kDensityDefault;
  k->digPsiNSC = kDigPsiDefault;
  k->radiusModel = kRadiusModelDefault;
  k->gridSpacing = kGridSpacingDefault;
  k->grid3DnX = 1;
  k->grid3DnY = 1;
  k->grid3DnZ = 1;
  k->grid3DdeltaX = 0.2f;
  k->grid3DdeltaY = 0.2f;
  k->grid3DdeltaZ = 0.2f;
  k->includeRim = 0.0f;
  k->molarRatio = 3.0f;
  k->lengthModel = 200.0f;
  k->orderDiscRim = 0.25f;
  k->lcOrder = 0.8f;
  k->Hflag = 0;
  k->surfFlag = 1;
  k->radiusAtom = 0.0f;
  k->rSingleCell = 0.0f;
  k->opCode = kOpSub;
  k->c1 = 1.0f;
  k->c2 = 1.0f;
  k->eulerFlag = 1;
  k->verbFlag = 1;
  k->mapMode = 1;
  k->spreadMode = kSpreadSingle;
  k->noiseMode = 1;
  k->mapFrac = 0.2f;
  k->mapFixCount = 0;
  k->coneFix = 0;
  k->coneDig = 360;
  k->coneWidth = 5.0;
  k->nConeFlag = 1;
  k->nConeAdjust = 100;
  k->nConeStart = 0.0f;
  k->nConeInc = 0.25f;
  k->mcAdjustFlag = 1;
  k->nAdjustMc = 100;
  k->mcAdjustFrac = 0.7f;
  k->kSigma = 1.0f;
  k->kLSigma = 1.0f;
  k->incSigma = 0.2f;
  k->dcProton = 0;
  k->dcID = 500;
  k->normDc = 0;
  k->outFormat = kFormatTbl;
  k->dcNoise = 0;
  k->elPdbFlag = 0;
  k->qFlag = 1;
  k->rotN = 0;
  k->sCount = 30;
  k->histRan = 1000;
  k->nAaCheck = 1;
  for (int i = 0; i < kExCheckMax; i++) k->exCheckList[i] = 0;
  k->nSel = 0;
  k->dcSelOpt = 1;
  k->nChainDc = 1;
  for (int i = 0; i < kChainDcMax; i++) k->chainDc[i] = emptyChainText;
  storeGridDefaults(&k->gridInfo);
  storeElDefaults(&k->elInfo);
  storeHistDefaults(&k->histInfo);
  return 0;
}

int dcInfoNull(DcInfo* d) {
  d->segFirst = kNoRange;
  d->segLast = kNoRange;
  d->segID = 1;
  d->segStep = 0;
  d->aFirst = kNoRange;
  d->excludeMode = 3;
  return 0;
}

int gridInfoNull(GridInfo* g) {
  storeGridDefaults(g);
  return 0;
}

int elInfoNull(ElInfo* e) {
  storeElDefaults(e);
  return 0;
}

int histInfoNull(HistInfo* h) {
  storeHistDefaults(h);
  return 0;
}

}  // namespace korim::settings
